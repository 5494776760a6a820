#include "app/win32/PacedLog.h"

#include <windows.h>

#include <iterator>
#include <utility>

#include "app/win32/LogView.h"

namespace app {

namespace {
// Lines still appear to the eye as they come: after a twentieth of a second without a new one,
// and at the latest a second after the first of them.
constexpr unsigned kQuietMs = 50;
constexpr ULONGLONG kLongestWaitMs = 1000;
}  // namespace

PacedLog::PacedLog(HWND control, std::function<void()> flushed)
    : control_(control), flushed_(std::move(flushed)), flushTimer_([this] { Tick(); }) {}

// A timer the system cannot give leaves the lines for the next write or Control(); the next
// write tries again. The clock is read here instead of the timer being set again: setting it is
// a call into the system on the way from a reply to its block.
void PacedLog::Write(const std::wstring& line) {
  pending_.push_back(line);
  if (pending_.size() > static_cast<std::size_t>(kLogLinesKept)) pending_.pop_front();
  lastWriteMs_ = ::GetTickCount64();
  if (flushDue_) return;
  firstWaitingMs_ = lastWriteMs_;
  flushDue_ = flushTimer_.Start(kQuietMs);
}

// Putting lines into the control takes the window thread for a long while where the system is
// slow (a fifth of a second under wine on an emulated processor), and a reply that comes
// meanwhile waits for it: while lines keep coming, a conversation is going on, so they wait for
// a quiet spell.
void PacedLog::Tick() {
  const ULONGLONG now = ::GetTickCount64();
  if (now - lastWriteMs_ < kQuietMs && now - firstWaitingMs_ < kLongestWaitMs) return;
  Flush();
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
