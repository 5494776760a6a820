#pragma once

// How late the window thread runs a timer's ticks: a timer of its own whose every tick notes how
// much longer than its interval the wait was. Window thread only.

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>

namespace reliability {

class TickLateness {
 public:
  explicit TickLateness(std::chrono::milliseconds interval);

  // The worst lateness since creation.
  std::chrono::milliseconds Worst() const { return std::chrono::milliseconds(worst_); }

 private:
  void OnTick();

  const qint64 interval_;
  QTimer timer_;
  QElapsedTimer sinceLast_;
  qint64 worst_ = 0;
};

}  // namespace reliability
