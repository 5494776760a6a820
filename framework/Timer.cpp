#include "framework/Timer.h"

#include "framework/ExceptionGuard.h"
#include "framework/IntervalTimer.h"

namespace framework {

namespace {

constexpr const char* kNoTimers = "Not enough timers available";

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner), timer_(std::make_unique<IntervalTimer>([this] { Tick(); })) {
  StartPeriod();
}

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

void TTimer::StartPeriod() {
  timer_->Stop();
  if (interval_ == 0) return;
  if (!timer_->Start(interval_)) throw EOutOfResources(kNoTimers);
}

void TTimer::Tick() {
  if (OnTimer) RunGuarded([this] { OnTimer(this); });
}

}  // namespace framework
