#include "midi/platform/jack/ReceivedEvents.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

namespace platform {

namespace {
using EventLength = std::uint32_t;
}  // namespace

ReceivedEvents::ReceivedEvents(std::size_t capacity) : queue_(capacity) { sem_init(&waiting_, 0, 0); }

ReceivedEvents::~ReceivedEvents() { sem_destroy(&waiting_); }

void ReceivedEvents::ReceiveEvent(std::span<const BYTE> bytes) noexcept {
  const EventLength length = static_cast<EventLength>(bytes.size());
  if (queue_.WritableBytes() < sizeof length + bytes.size()) {
    lost_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  queue_.Push({reinterpret_cast<const BYTE*>(&length), sizeof length}, bytes);
  sem_post(&waiting_);
}

std::optional<std::vector<BYTE>> ReceivedEvents::Take(std::chrono::milliseconds timeout) {
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  const auto nanoseconds = std::chrono::nanoseconds(timeout).count() + deadline.tv_nsec;
  deadline.tv_sec += static_cast<time_t>(nanoseconds / 1'000'000'000);
  deadline.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
  int waited = 0;
  while ((waited = sem_timedwait(&waiting_, &deadline)) != 0 && errno == EINTR) {
  }
  if (waited != 0) return std::nullopt;
  EventLength length = 0;
  queue_.CopyOut(0, {reinterpret_cast<BYTE*>(&length), sizeof length});
  std::vector<BYTE> event(length);
  queue_.CopyOut(sizeof length, event);
  queue_.Consume(sizeof length + length);
  return event;
}

}  // namespace platform
