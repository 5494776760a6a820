#pragma once

// An interval timer of the window thread, as a component. While enabled it runs OnTimer once per
// interval, each tick under the application's exception guard; a tick whose handler fails leaves
// the timer enabled. Window thread only.

#include <memory>

#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/NotifyEvent.h"

namespace framework {

class IntervalTimer;

// Raised when the platform cannot provide a timer: "Not enough timers available".
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

class TTimer : public TComponent {
 public:
  // A new timer is enabled with an interval of 1000 ms and its period runs from here, so creating
  // one raises EOutOfResources like switching one on.
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  // Enabling a disabled timer starts a fresh period (the first tick comes one interval later);
  // enabling an enabled one changes nothing; disabling stops the ticks at once.
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  // A new interval on an enabled timer starts a fresh period; with 0 it does not tick.
  void SetInterval(unsigned milliseconds);

  TNotifyEvent OnTimer;

 private:
  // Starts a fresh period, or none when the interval is 0; raises EOutOfResources when the
  // platform has no timer to give.
  void StartPeriod();
  void Tick();

  bool enabled_ = true;
  unsigned interval_ = 1000;
  std::unique_ptr<IntervalTimer> timer_;
};

}  // namespace framework
