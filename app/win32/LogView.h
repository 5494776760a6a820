#pragma once

// How a program line reaches the log, a multi-line edit control the user may also type into.
// Window thread.

#include <string>

#include "app/PacedLog.h"

struct HWND__;

namespace app {

// `line` (given without a line end) becomes the new last line of the edit control `log`, on a
// line of its own whatever the user typed and wherever the caret stands; the caret goes behind it
// and the log scrolls it into view. The user cannot undo it. Several lines joined by "\n" go in
// as if appended one by one. Lines beyond kLogLinesKept before the one the caret stands on go
// from the start of the log.
void AppendLogLine(HWND__* log, const std::wstring& line);

}  // namespace app
