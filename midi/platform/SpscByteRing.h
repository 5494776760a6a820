#pragma once

// A byte ring for one writing and one reading thread, without locks: neither side ever waits for
// the other. Its memory is taken once, when it is made.
//
// Bytes only, with no boundaries between what was pushed: EventRing keeps whole events on it, and
// a user whose records all have one size (JackConnectionGuard's port ids) uses it directly.

#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <span>

#include "midi/platform/MmSystem.h"

namespace platform {

class SpscByteRing {
 public:
  // `capacity` must be a power of two.
  explicit SpscByteRing(std::size_t capacity);

  // Producer.
  std::size_t WritableBytes() const noexcept;
  // Writes `parts` in order; the reader sees them all at once. They must fit.
  void Push(std::initializer_list<std::span<const BYTE>> parts) noexcept;

  // Consumer. Offsets count from the oldest unread byte; what they reach must be readable.
  std::size_t ReadableBytes() const noexcept;
  void CopyOut(std::size_t offset, std::span<BYTE> out) const noexcept;
  // The longest run of at most `length` bytes from `offset` that does not cross the end of the
  // memory, to be read in place.
  std::span<const BYTE> Contiguous(std::size_t offset, std::size_t length) const noexcept;
  void Consume(std::size_t count) noexcept;

 private:
  void CopyIn(std::size_t position, std::span<const BYTE> bytes) noexcept;

  std::size_t capacity_;
  std::unique_ptr<BYTE[]> memory_;
  // Count every byte ever written and read; their difference is the fill, their remainder
  // modulo the capacity the place in memory. On lines of their own so the two threads do not
  // share one.
  alignas(64) std::atomic<std::size_t> written_{0};
  alignas(64) std::atomic<std::size_t> read_{0};
};

}  // namespace platform
