#include "app/windows/PacedLog.h"

#include <windows.h>

#include "app/windows/LogView.h"

namespace app {

namespace {
// Lines still appear to the eye as they come.
constexpr unsigned kFlushIntervalMs = 50;
}  // namespace

PacedLog::PacedLog(HWND control) : control_(control), flushTimer_([this] { Flush(); }) {}

// A timer the system cannot give leaves the lines for the next write or Control(); the next
// write tries again.
void PacedLog::Write(const std::wstring& line) {
  if (!pending_.empty()) pending_ += L'\n';
  pending_ += line;
  if (!flushDue_) flushDue_ = flushTimer_.Start(kFlushIntervalMs);
}

HWND PacedLog::Control() {
  Flush();
  return control_;
}

// Several lines appended as one give the same text, caret and scrolling as one at a time. Once
// the window is gone (the program is ending) there is nowhere to put them.
void PacedLog::Flush() {
  flushTimer_.Stop();
  flushDue_ = false;
  if (pending_.empty()) return;
  if (::IsWindow(control_)) AppendLogLine(control_, pending_);
  pending_.clear();
}

}  // namespace app
