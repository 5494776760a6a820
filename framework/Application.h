#pragma once

// The application object: the program's title, and the error boxes through which failures reach
// the user. Window thread only; on Linux it needs a QApplication.

#include <exception>
#include <string>

#include "framework/ErrorBox.h"
#include "framework/ExceptionGuard.h"

namespace framework {

// While it lives it is the exception hook: whatever escapes a handler run by the event loop is
// shown in an error box captioned with the title, and the loop goes on. The hook it replaced
// comes back when it is destroyed.
class TApplication {
 public:
  // Makes the title from the program's own file; on Linux it is also the name the window system
  // groups the program's windows under in its task bar (ProgramIdentity.h).
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  const std::string& Title() const { return title_; }

  // The title of a program file: its name without directory, cut before its first ".", every
  // character after the first in lower case.
  static std::string TitleOf(const std::string& programFile);

  // A failure before the main window exists, which the event loop never saw: a box captioned
  // "Application Error" naming the failure's class and giving its message. Returns when the
  // user has closed it, or at Terminate.
  void ShowApplicationError(const std::exception_ptr& error);

  // The program is ending: an open error box closes and no further one opens.
  void Terminate();

 private:
  void HandleException(const std::exception_ptr& error);

  std::string title_;
  ErrorBox errorBox_;
  ExceptionHook previousHook_;
};

}  // namespace framework
