#include "framework/Timer.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <algorithm>
#include <climits>

#include "framework/ExceptionGuard.h"

namespace framework {

namespace {

constexpr const char* kNoTimers = "Not enough timers available";

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner), timer_(std::make_unique<QTimer>()) {
  // A precise timer never fires early: the first tick comes one whole interval after the start.
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { Tick(); });
  StartPeriod();
}

TTimer::~TTimer() = default;

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled) {
    StartPeriod();
  } else {
    timer_->stop();
  }
  enabled_ = enabled;
}

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  if (enabled_) StartPeriod();
}

void TTimer::StartPeriod() {
  timer_->stop();
  if (interval_ == 0) return;
  // Without an event dispatcher in this thread no tick could ever be delivered.
  if (QAbstractEventDispatcher::instance() == nullptr) throw EOutOfResources(kNoTimers);
  // Longer intervals are cut to the longest the platform keeps, as its own timers do.
  timer_->start(static_cast<int>(std::min<unsigned>(interval_, INT_MAX)));
  if (!timer_->isActive()) throw EOutOfResources(kNoTimers);
}

void TTimer::Tick() {
  if (OnTimer) RunGuarded([this] { OnTimer(this); });
}

}  // namespace framework
