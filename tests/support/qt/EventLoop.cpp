#include "tests/support/EventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace testsupport {

bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  QDeadlineTimer deadline(timeout);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::usleep(200);
  }
  return true;
}

bool ProcessPendingEvents() {
  constexpr int kRoundsAtMost = 1000;
  QAbstractEventDispatcher* const dispatcher = QAbstractEventDispatcher::instance();
  for (int round = 0; round < kRoundsAtMost; ++round)
    if (!dispatcher->processEvents(QEventLoop::AllEvents)) return true;
  return false;
}

void ProcessEventsFor(std::chrono::milliseconds duration) {
  QDeadlineTimer deadline(duration);
  while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace testsupport
