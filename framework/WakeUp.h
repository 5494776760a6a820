#pragma once

#include <atomic>

namespace framework {

// Wakes a thread that waits for its event loop to see a file descriptor become readable, with as
// few system calls as it can: while one wake-up is pending, further requests write nothing.
class WakeUp {
 public:
  // Opens the descriptor; throws framework::Exception when the system has none to give.
  WakeUp();
  ~WakeUp();
  WakeUp(const WakeUp&) = delete;
  WakeUp& operator=(const WakeUp&) = delete;

  int Descriptor() const { return fd_; }

  // Any thread; never blocks or allocates. Call after publishing the work the wake-up is for.
  void Request() noexcept;

  // The waiting thread, when the descriptor is readable, before it looks for work.
  void Acknowledge() noexcept;

  // The waiting thread: makes the descriptor readable again, for work it left for later.
  void Rearm() noexcept;

  // For a waiting thread without an event loop: sleeps until a request (at once if one is
  // pending), then acknowledges it.
  void Wait() noexcept;

 private:
  const int fd_;
  std::atomic<bool> pending_{false};
};

}  // namespace framework
