#pragma once

// An interval timer of the window thread, as a component. While enabled it runs its tick handler
// (OnTimer) once per interval, each tick under the application's exception guard; a tick whose
// handler fails leaves the timer enabled. Window thread only.

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
  // A new timer is enabled, with an interval of 1000 ms and no tick handler. Its period runs while
  // it is enabled, has an interval and has a handler, and starts when the last of the three comes:
  // a timer switched off before its handler is bound (the layout's ProgramTimer) asks the platform
  // for nothing until it is switched on. EOutOfResources goes to whoever completes the three.
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  // Enabling a disabled timer starts a fresh period (the first tick comes one interval later);
  // enabling an enabled one changes nothing; disabling stops the ticks at once.
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  // A new interval on an enabled timer starts a fresh period; with 0 it does not tick.
  void SetInterval(unsigned milliseconds);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  // Binding a handler to an enabled timer that had none starts its period; another handler keeps
  // the period; no handler stops the ticks.
  void SetOnTimer(TNotifyEvent handler);

 private:
  // Starts a fresh period, or none when the interval is 0 or no handler is bound; raises
  // EOutOfResources when the platform has no timer to give.
  void StartPeriod();
  void Tick();

  bool enabled_ = true;
  unsigned interval_ = 1000;
  TNotifyEvent onTimer_;
  std::unique_ptr<IntervalTimer> timer_;
};

}  // namespace framework
