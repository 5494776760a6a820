#include "midi/platform/jack/EventRing.h"

#include <cstdint>

namespace platform {

namespace {
using EventLength = std::uint32_t;
}  // namespace

bool EventRing::TryPush(std::span<const BYTE> event) noexcept {
  const EventLength length = static_cast<EventLength>(event.size());
  if (bytes_.WritableBytes() < sizeof length + event.size()) return false;
  bytes_.Push({reinterpret_cast<const BYTE*>(&length), sizeof length}, event);
  return true;
}

std::optional<std::size_t> EventRing::NextLength() const noexcept {
  if (bytes_.ReadableBytes() < sizeof(EventLength)) return std::nullopt;
  EventLength length = 0;
  bytes_.CopyOut(0, {reinterpret_cast<BYTE*>(&length), sizeof length});
  return length;
}

void EventRing::CopyNext(std::span<BYTE> out) const noexcept { bytes_.CopyOut(sizeof(EventLength), out); }

void EventRing::Pop() noexcept {
  if (const std::optional<std::size_t> length = NextLength()) bytes_.Consume(sizeof(EventLength) + *length);
}

}  // namespace platform
