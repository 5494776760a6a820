#include "app/qt/CloseRequestSignals.h"

#include <atomic>
#include <cerrno>
#include <utility>

#include "framework/ExceptionGuard.h"

namespace app {

namespace {

std::atomic<framework::WakeUp*> wakeUpForSignals{nullptr};

void OnCloseSignal(int /*signal*/) {
  const int savedErrno = errno;
  if (framework::WakeUp* wakeUp = wakeUpForSignals.load()) wakeUp->Request();
  errno = savedErrno;
}

// sigaction fails only for a signal it does not know or that cannot be caught; these two it can.
void Install(int signal, struct sigaction& previous) {
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, &previous);
}

}  // namespace

CloseRequestSignals::CloseRequestSignals(std::function<void()> onRequest)
    : onRequest_(std::move(onRequest)), notifier_(wakeUp_.Descriptor(), QSocketNotifier::Read) {
  QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { OnWakeUp(); });
  wakeUpForSignals.store(&wakeUp_);
  Install(SIGTERM, previousTerm_);
  Install(SIGINT, previousInt_);
}

CloseRequestSignals::~CloseRequestSignals() {
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
  wakeUpForSignals.store(nullptr);
}

void CloseRequestSignals::OnWakeUp() {
  wakeUp_.Acknowledge();
  framework::RunGuarded(onRequest_);
}

}  // namespace app
