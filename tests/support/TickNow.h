#pragma once

// One tick of a timer, run at once instead of at the end of its period: for tests that need what
// a tick does, not the time between ticks.

#include "framework/ExceptionGuard.h"
#include "framework/Timer.h"

namespace testsupport {

// Runs `timer`'s tick handler as its tick would, under the application's exception guard; false,
// running nothing, when the timer is off.
inline bool TickNow(framework::TTimer& timer) {
  if (!timer.Enabled()) return false;
  if (timer.OnTimer()) framework::RunGuarded([&] { timer.OnTimer()(&timer); });
  return true;
}

}  // namespace testsupport
