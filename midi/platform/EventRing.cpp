#include "midi/platform/EventRing.h"

#include <cstdint>

namespace platform {

namespace {
using EventLength = std::uint32_t;
}  // namespace

std::size_t EventRing::Room() const noexcept {
  const std::size_t writable = bytes_.WritableBytes();
  return writable < sizeof(EventLength) ? 0 : writable - sizeof(EventLength);
}

bool EventRing::TryPush(std::span<const BYTE> head, std::span<const BYTE> tail) noexcept {
  const std::size_t size = head.size() + tail.size();
  if (Room() < size) return false;
  const EventLength length = static_cast<EventLength>(size);
  bytes_.Push({{reinterpret_cast<const BYTE*>(&length), sizeof length}, head, tail});
  return true;
}

std::optional<std::size_t> EventRing::NextLength() const noexcept {
  if (bytes_.ReadableBytes() < sizeof(EventLength)) return std::nullopt;
  EventLength length = 0;
  bytes_.CopyOut(0, {reinterpret_cast<BYTE*>(&length), sizeof length});
  return length;
}

void EventRing::CopyNext(std::span<BYTE> out, std::size_t offset) const noexcept {
  bytes_.CopyOut(sizeof(EventLength) + offset, out);
}

std::span<const BYTE> EventRing::NextPiece(std::size_t offset, std::size_t length) const noexcept {
  return bytes_.Contiguous(sizeof(EventLength) + offset, length);
}

void EventRing::Pop() noexcept {
  if (const std::optional<std::size_t> length = NextLength()) bytes_.Consume(sizeof(EventLength) + *length);
}

}  // namespace platform
