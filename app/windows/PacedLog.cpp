#include "app/windows/PacedLog.h"

#include <windows.h>

#include <iterator>
#include <utility>

#include "app/windows/LogView.h"

namespace app {

namespace {
// Lines still appear to the eye as they come.
constexpr unsigned kFlushIntervalMs = 50;
}  // namespace

PacedLog::PacedLog(HWND control, std::function<void()> flushed)
    : control_(control), flushed_(std::move(flushed)), flushTimer_([this] { Flush(); }) {}

// A timer the system cannot give leaves the lines for the next write or Control(); the next
// write tries again.
void PacedLog::Write(const std::wstring& line) {
  pending_.push_back(line);
  if (pending_.size() > static_cast<std::size_t>(kLogLinesKept)) pending_.pop_front();
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
  if (flushed_) flushed_();
  if (pending_.empty()) return;
  std::wstring lines = pending_.front();
  for (auto line = std::next(pending_.begin()); line != pending_.end(); ++line) lines += L'\n' + *line;
  pending_.clear();
  if (::IsWindow(control_)) AppendLogLine(control_, lines);
}

}  // namespace app
