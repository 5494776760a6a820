#include "tests/reliability/TickLateness.h"

#include <algorithm>

namespace reliability {

TickLateness::TickLateness(std::chrono::milliseconds interval) : interval_(interval.count()) {
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { OnTick(); });
  timer_.start(interval);
  sinceLast_.start();
}

void TickLateness::OnTick() { worst_ = std::max(worst_, sinceLast_.restart() - interval_); }

}  // namespace reliability
