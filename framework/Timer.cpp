#include "framework/Timer.h"

#include <utility>

#include "framework/ExceptionGuard.h"
#include "framework/IntervalTimer.h"

namespace framework {

namespace {

constexpr const char* kNoTimers = "Not enough timers available";

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner), timer_(std::make_unique<IntervalTimer>([this] { Tick(); })) {}

TTimer::~TTimer() = default;

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled) {
    StartPeriod();
  } else {
    timer_->Stop();
  }
  enabled_ = enabled;
}

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  if (enabled_) StartPeriod();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  const bool hadHandler = static_cast<bool>(onTimer_);
  onTimer_ = std::move(handler);
  if (static_cast<bool>(onTimer_) == hadHandler) return;
  if (!onTimer_) {
    timer_->Stop();
  } else if (enabled_) {
    StartPeriod();
  }
}

void TTimer::StartPeriod() {
  timer_->Stop();
  if (interval_ == 0 || !onTimer_) return;
  if (!timer_->Start(interval_)) throw EOutOfResources(kNoTimers);
}

void TTimer::Tick() {
  if (onTimer_) RunGuarded([this] { onTimer_(this); });
}

}  // namespace framework
