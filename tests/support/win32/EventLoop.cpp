#include "tests/support/EventLoop.h"

#include <windows.h>

#include <algorithm>

#include "framework/MessageWindow.h"

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

// Dispatches what the thread's queue holds, up to one full queue's worth, so that a window that
// posts to itself for ever cannot keep a round going. The system makes a WM_TIMER only when
// nothing else is queued and the timer is due, so due timers come at the end of a round. False
// when the queue held nothing.
bool HandleQueued() {
  MSG message;
  std::uint32_t handled = 0;
  while (handled < framework::kMessageQueueCapacity && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ++handled;
    ::DispatchMessageW(&message);
  }
  return handled != 0;
}

// Sleeps until a message comes or `timeout` passes.
void WaitForMessages(std::chrono::milliseconds timeout) {
  ::MsgWaitForMultipleObjectsEx(0, nullptr,
                                static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(timeout.count(), 0)),
                                QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

}  // namespace

// Other threads change what `done` looks at without posting, so the wait is short.
bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    if (!HandleQueued()) WaitForMessages(std::chrono::milliseconds(1));
  }
  return true;
}

bool ProcessPendingEvents() {
  constexpr int kRoundsAtMost = 100;
  for (int round = 0; round < kRoundsAtMost; ++round)
    if (!HandleQueued()) return true;
  return false;
}

void ProcessEventsFor(std::chrono::milliseconds duration) {
  const Clock::time_point deadline = Clock::now() + duration;
  for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
    if (!HandleQueued()) WaitForMessages(std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
  }
}

}  // namespace testsupport
