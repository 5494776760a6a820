#include "tests/app/win32/SystemTimers.h"

#include <windows.h>

#include <map>

extern "C" {
// The program's import of SetTimer.
extern void* __imp_SetTimer;
}

namespace windowtest {

namespace {

using SetTimerFunction = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);

SetTimerFunction systemSetTimer = nullptr;
bool refusing = false;
std::map<unsigned, int> requests;

UINT_PTR WINAPI WatchedSetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure) {
  ++requests[milliseconds];
  if (refusing) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  return systemSetTimer(window, id, milliseconds, procedure);
}

}  // namespace

SystemTimers::SystemTimers() : setTimer_(&__imp_SetTimer, reinterpret_cast<void*>(&WatchedSetTimer)) {
  systemSetTimer = reinterpret_cast<SetTimerFunction>(setTimer_.Original());
  refusing = false;
  requests.clear();
}

SystemTimers::~SystemTimers() { refusing = false; }

void SystemTimers::RefuseAll() { refusing = true; }

int SystemTimers::Requests(unsigned milliseconds) const {
  const auto found = requests.find(milliseconds);
  return found == requests.end() ? 0 : found->second;
}

}  // namespace windowtest
