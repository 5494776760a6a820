#pragma once

// A wake-up that one thread sleeps on and others signal, over an eventfd: signals that come
// before the sleep are not lost, and signalling never blocks or allocates.

namespace platform {

class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  void Signal() noexcept;
  // Sleeps until signalled (at once if it already was), then clears every signal so far.
  void Wait() noexcept;

 private:
  int fd_;
};

}  // namespace platform
