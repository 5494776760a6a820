#pragma once

// The launching program's show request (STARTUPINFO's wShowWindow, with STARTF_USESHOWWINDOW) as
// Windows applies it, modelled while an object lives, since wine does not apply it: the program's
// GetStartupInfoW reports it, the program's first ShowWindow of a captioned top-level window takes
// it instead of whatever that call asks for, and SW_SHOWDEFAULT takes it at any time. Without the
// system's headers, for test files that use the port layer.

#include "tests/app/win32/ImportSlot.h"

struct HWND__;

namespace windowtest {

class LaunchRequest {
 public:
  // `showCommand` is what the launcher asks for (SW_HIDE, SW_SHOWMINIMIZED …).
  explicit LaunchRequest(int showCommand);
  ~LaunchRequest();
  LaunchRequest(const LaunchRequest&) = delete;
  LaunchRequest& operator=(const LaunchRequest&) = delete;

 private:
  ReplacedImport startupInfo_;
  ReplacedImport showWindow_;
};

// How a window is on the screen.
enum class ShownAs { Hidden, Normal, Minimised, Maximised };
ShownAs ShownAsOf(HWND__* window);

}  // namespace windowtest
