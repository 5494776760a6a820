#pragma once

// SIGTERM and SIGINT as the platform's request to close the window. The signal handler only
// wakes the window thread (an eventfd write, safe in a handler); the request itself is handled
// there, between two handlers of the event loop. Window thread; one instance at a time.

#include <QSocketNotifier>

#include <csignal>
#include <functional>

#include "framework/WakeUp.h"

namespace app {

class CloseRequestSignals {
 public:
  // Installs the handlers; `onRequest` runs in the window thread after each request.
  explicit CloseRequestSignals(std::function<void()> onRequest);
  // Puts back the handlers that were there before.
  ~CloseRequestSignals();
  CloseRequestSignals(const CloseRequestSignals&) = delete;
  CloseRequestSignals& operator=(const CloseRequestSignals&) = delete;

 private:
  void OnWakeUp();

  std::function<void()> onRequest_;
  framework::WakeUp wakeUp_;
  QSocketNotifier notifier_;  // after the descriptor it watches, so it goes first
  struct sigaction previousTerm_ {};
  struct sigaction previousInt_ {};
};

}  // namespace app
