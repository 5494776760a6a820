#include "midi/platform/jack/ReceivedEvents.h"

#include <cerrno>
#include <ctime>

namespace platform {

ReceivedEvents::ReceivedEvents(std::size_t capacity) : queue_(capacity) { sem_init(&waiting_, 0, 0); }

ReceivedEvents::~ReceivedEvents() { sem_destroy(&waiting_); }

void ReceivedEvents::ReceiveEvent(std::span<const BYTE> bytes) noexcept {
  if (queue_.TryPush(bytes)) {
    sem_post(&waiting_);
  } else {
    EventsLost();
  }
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
  std::vector<BYTE> event(*queue_.NextLength());
  queue_.CopyNext(event);
  queue_.Pop();
  return event;
}

}  // namespace platform
