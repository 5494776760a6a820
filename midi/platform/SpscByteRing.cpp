#include "midi/platform/SpscByteRing.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace platform {

SpscByteRing::SpscByteRing(std::size_t capacity) : capacity_(capacity) {
  if (!std::has_single_bit(capacity)) throw std::invalid_argument("ring capacity must be a power of two");
  memory_ = std::make_unique<BYTE[]>(capacity);
}

std::size_t SpscByteRing::WritableBytes() const noexcept {
  return capacity_ - (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
}

void SpscByteRing::Push(std::initializer_list<std::span<const BYTE>> parts) noexcept {
  std::size_t position = written_.load(std::memory_order_relaxed);
  for (const std::span<const BYTE> part : parts) {
    CopyIn(position, part);
    position += part.size();
  }
  written_.store(position, std::memory_order_release);
}

std::size_t SpscByteRing::ReadableBytes() const noexcept {
  return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed);
}

void SpscByteRing::CopyOut(std::size_t offset, std::span<BYTE> out) const noexcept {
  std::size_t copied = 0;
  while (copied < out.size()) {
    const std::span<const BYTE> piece = Contiguous(offset + copied, out.size() - copied);
    std::memcpy(out.data() + copied, piece.data(), piece.size());
    copied += piece.size();
  }
}

std::span<const BYTE> SpscByteRing::Contiguous(std::size_t offset, std::size_t length) const noexcept {
  const std::size_t start = (read_.load(std::memory_order_relaxed) + offset) & (capacity_ - 1);
  return {memory_.get() + start, std::min(length, capacity_ - start)};
}

void SpscByteRing::Consume(std::size_t count) noexcept {
  read_.store(read_.load(std::memory_order_relaxed) + count, std::memory_order_release);
}

void SpscByteRing::CopyIn(std::size_t position, std::span<const BYTE> bytes) noexcept {
  if (bytes.empty()) return;
  const std::size_t start = position & (capacity_ - 1);
  const std::size_t beforeEnd = std::min(bytes.size(), capacity_ - start);
  std::memcpy(memory_.get() + start, bytes.data(), beforeEnd);
  std::memcpy(memory_.get(), bytes.data() + beforeEnd, bytes.size() - beforeEnd);
}

}  // namespace platform
