#include "midi/platform/simulated/WakeEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace platform {

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw std::system_error(errno, std::system_category(), "eventfd");
}

WakeEvent::~WakeEvent() { close(fd_); }

void WakeEvent::Signal() noexcept {
  const std::uint64_t one = 1;
  // Fails only when the counter would overflow, and then the event is signalled already.
  [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

void WakeEvent::Wait() noexcept {
  pollfd watched{fd_, POLLIN, 0};
  while (poll(&watched, 1, -1) < 0 && errno == EINTR) {
  }
  std::uint64_t signals = 0;
  // Non-blocking, so a wake-up without a signal (poll failing) cannot hang the thread here.
  [[maybe_unused]] const ssize_t read = ::read(fd_, &signals, sizeof signals);
}

}  // namespace platform
