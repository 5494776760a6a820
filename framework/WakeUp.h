#pragma once

#include <atomic>

namespace framework {

// Wakes a thread that waits for it, with as few system calls as it can: while one wake-up is
// pending, further requests signal nothing. On Linux the signal is an eventfd, which an event loop
// can watch; on Windows an event object.
class WakeUp {
 public:
  // Opens the descriptor or event; throws framework::Exception when the system has none to give.
  WakeUp();
  ~WakeUp();
  WakeUp(const WakeUp&) = delete;
  WakeUp& operator=(const WakeUp&) = delete;

#ifndef _WIN32
  int Descriptor() const { return fd_; }
#endif

  // Any thread; never blocks or allocates. Call after publishing the work the wake-up is for.
  void Request() noexcept {
    // seq_cst pairs with Acknowledge: either this exchange sees the flag cleared and signals, or
    // the clearing exchange comes later, reads from it and so sees the work published before it.
    if (!pending_.exchange(true, std::memory_order_seq_cst)) Rearm();
  }

  // The waiting thread, when the signal is seen, before it looks for work.
  void Acknowledge() noexcept;

  // The waiting thread: signals again, for work it left for later.
  void Rearm() noexcept;

  // For a waiting thread without an event loop: sleeps until a request (at once if one is
  // pending), then acknowledges it.
  void Wait() noexcept;

 private:
#ifdef _WIN32
  void* const event_;
#else
  const int fd_;
#endif
  std::atomic<bool> pending_{false};
};

}  // namespace framework
