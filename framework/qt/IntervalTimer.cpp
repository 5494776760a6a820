#include "framework/IntervalTimer.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <utility>

namespace framework {

struct IntervalTimer::Native {
  QTimer timer;
};

IntervalTimer::IntervalTimer(std::function<void()> tick) : native_(std::make_unique<Native>()) {
  // A precise timer never fires early: the first tick comes one whole interval after the start.
  native_->timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&native_->timer, &QTimer::timeout, std::move(tick));
}

IntervalTimer::~IntervalTimer() = default;

bool IntervalTimer::Start(unsigned milliseconds) {
  // Without an event dispatcher in this thread no tick could ever be delivered.
  if (QAbstractEventDispatcher::instance() == nullptr) return false;
  native_->timer.start(static_cast<int>(std::min<unsigned>(milliseconds, INT_MAX)));
  return native_->timer.isActive();
}

void IntervalTimer::Stop() { native_->timer.stop(); }

}  // namespace framework
