#pragma once

// The system's interval timer of the window thread, under TTimer: Qt's on Linux, SetTimer's on
// Windows. Window thread only.

#include <functional>
#include <memory>

namespace framework {

class IntervalTimer {
 public:
  // `tick` runs in the window thread, from its event loop, once per period while the timer runs.
  explicit IntervalTimer(std::function<void()> tick);
  ~IntervalTimer();
  IntervalTimer(const IntervalTimer&) = delete;
  IntervalTimer& operator=(const IntervalTimer&) = delete;

  // Starts a fresh period of `milliseconds` (at least 1), replacing one that runs: the first tick
  // comes one whole period later. Longer periods are cut to the longest the system keeps. False
  // when the system has no timer to give.
  bool Start(unsigned milliseconds);
  void Stop();

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace framework
