#pragma once

// Waiting for a header that a reset has taken back but the device has not yet handed back. A
// reset may return before every header is back: the driver hands them back later from a thread of
// its own, and until then unpreparing one answers MIDIERR_STILLPLAYING. Freeing a header then
// would let the driver write into freed memory, so the ports wait a while, and keep what is still
// held after that. Window thread.

#include <chrono>
#include <thread>

#include "midi/platform/MmSystem.h"

namespace midi {

// How long a close waits for the device to hand back what its reset took: drivers do so within
// milliseconds; this bounds what a driver that never does can cost the window thread.
inline constexpr std::chrono::milliseconds kHandBackWait{2000};

// Calls `unprepare` until it answers other than MIDIERR_STILLPLAYING or `deadline` has passed, and
// gives its last answer.
template <typename Unprepare>
MMRESULT UnprepareOnceHandedBack(Unprepare&& unprepare, std::chrono::steady_clock::time_point deadline) {
  MMRESULT result = unprepare();
  while (result == MIDIERR_STILLPLAYING && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    result = unprepare();
  }
  return result;
}

}  // namespace midi
