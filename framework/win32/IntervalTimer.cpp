#include "framework/IntervalTimer.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "framework/MessageWindow.h"

namespace framework {

namespace {

constexpr UINT_PTR kTimerId = 1;

}  // namespace

// Each timer ticks on a message-only window of its own, so WM_TIMER finds it without a table.
struct IntervalTimer::Native {
  std::function<void()> tick;
  framework::HWND window = nullptr;
  bool running = false;
};

IntervalTimer::IntervalTimer(std::function<void()> tick) : native_(std::make_unique<Native>()) {
  native_->tick = std::move(tick);
  Native* const native = native_.get();
  native_->window = AllocateHWnd([native](TMessage& message) {
    if (message.Msg == WM_TIMER && message.WParam == kTimerId && native->running) native->tick();
  });
}

IntervalTimer::~IntervalTimer() {
  Stop();
  DeallocateHWnd(native_->window);
}

// SetTimer on a running id starts its period afresh.
bool IntervalTimer::Start(unsigned milliseconds) {
  const UINT period = std::clamp<UINT>(milliseconds, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  native_->running = ::SetTimer(native_->window, kTimerId, period, nullptr) != 0;
  return native_->running;
}

// A WM_TIMER already queued when the timer stops is not a tick any more.
void IntervalTimer::Stop() {
  if (!native_->running) return;
  ::KillTimer(native_->window, kTimerId);
  native_->running = false;
}

}  // namespace framework
