#pragma once

// Whole MIDI events of any length in a byte ring, each stored as its length and then its bytes:
// one thread puts, another takes, and neither waits for the other or allocates. A JACK output
// port's queue, what a JACK input port received, and what a simulated input is handed all keep
// their events this way.
//
// Not SpscByteRing, on which it stands: the reader sees whole events, never a part of one. Not
// CircularEventBuffer: events here have any length, and the memory is the process's own, not the
// platform's shared blocks. Not framework::BoundedQueue: one producer only, and no fixed type.

#include <cstddef>
#include <optional>
#include <span>

#include "midi/platform/MmSystem.h"
#include "midi/platform/SpscByteRing.h"

namespace platform {

class EventRing {
 public:
  // `capacity`: a power of two, the bytes of the events and their lengths together.
  explicit EventRing(std::size_t capacity) : bytes_(capacity) {}

  // Producer. The longest event that fits now.
  std::size_t Room() const noexcept;
  // Puts `head` followed by `tail` as one event; false, leaving the ring unchanged, when it does
  // not fit now.
  bool TryPush(std::span<const BYTE> head, std::span<const BYTE> tail = {}) noexcept;

  // Consumer. The length of the oldest event, if there is one.
  std::optional<std::size_t> NextLength() const noexcept;
  // Copies out.size() bytes of the oldest event, from its byte `offset`; they must be there.
  void CopyNext(std::span<BYTE> out, std::size_t offset = 0) const noexcept;
  // The longest run of at most `length` bytes of the oldest event, from its byte `offset`, that
  // lies in one piece of memory, to be read in place.
  std::span<const BYTE> NextPiece(std::size_t offset, std::size_t length) const noexcept;
  void Pop() noexcept;

 private:
  SpscByteRing bytes_;
};

}  // namespace platform
