#pragma once

// The system's interval timers (SetTimer) as this program asks for them, watched and, on demand,
// refused as a system that has none left to give would, while an object lives. Without the
// system's headers, for test files that use the port layer.

#include "tests/app/win32/ImportSlot.h"

namespace windowtest {

class SystemTimers {
 public:
  SystemTimers();
  ~SystemTimers();
  SystemTimers(const SystemTimers&) = delete;
  SystemTimers& operator=(const SystemTimers&) = delete;

  // From now on every request fails, as SetTimer fails when the system has no timer to give.
  void RefuseAll();
  // The requests for a period of `milliseconds` so far, refused ones included.
  int Requests(unsigned milliseconds) const;

 private:
  ReplacedImport setTimer_;
};

}  // namespace windowtest
