#pragma once

#include <chrono>
#include <functional>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace testsupport {

// Runs the window thread's event loop until `done` holds or `timeout` passes; gives `done()`.
inline bool ProcessEventsUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  QDeadlineTimer deadline(timeout);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::usleep(200);
  }
  return true;
}

// Runs the event loop, never waiting, until a round of it finds nothing to handle: every posted
// event, readable descriptor (a message window's wake-up among them) and due timer has been
// dealt with, and so has whatever those handlers posted in turn. For checks that something does
// not happen, once whatever could cause it has reached the window thread (input once
// SimulatedTransport::WaitUntilDelivered has returned, completions once Close has). False when
// the loop still had work after many rounds (a window takes 256 notices a round), as when
// something posts for ever.
inline bool ProcessPendingEvents() {
  constexpr int kRoundsAtMost = 1000;
  QAbstractEventDispatcher* const dispatcher = QAbstractEventDispatcher::instance();
  for (int round = 0; round < kRoundsAtMost; ++round)
    if (!dispatcher->processEvents(QEventLoop::AllEvents)) return true;
  return false;
}

// Runs the event loop for `duration`, for checks that something does not happen as time passes.
inline void ProcessEventsFor(std::chrono::milliseconds duration) {
  QDeadlineTimer deadline(duration);
  while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace testsupport
