#include "framework/WakeUp.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "framework/Exception.h"

namespace framework {

namespace {

int OpenEventDescriptor() {
  const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) throw Exception(std::string("Cannot create a wake-up descriptor: ") + std::strerror(errno));
  return fd;
}

}  // namespace

WakeUp::WakeUp() : fd_(OpenEventDescriptor()) {}

WakeUp::~WakeUp() { ::close(fd_); }

void WakeUp::Acknowledge() noexcept {
  // Read first, clear second: a request between the two writes again, so none is lost.
  std::uint64_t count = 0;
  while (::read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
  }
  pending_.exchange(false, std::memory_order_seq_cst);
}

void WakeUp::Rearm() noexcept {
  // The counter only overflows after 2^64 - 1 writes without a read; EAGAIN cannot happen.
  const std::uint64_t one = 1;
  while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void WakeUp::Wait() noexcept {
  pollfd watched{fd_, POLLIN, 0};
  while (::poll(&watched, 1, -1) < 0 && errno == EINTR) {
  }
  Acknowledge();
}

}  // namespace framework
