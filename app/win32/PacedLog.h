#pragma once

// The lines the program writes to its log control (Memo1), put into the control a few at a time:
// lines go in together once none has been written for a twentieth of a second, at the latest a
// second after the first of them waits, or at once when the control is asked for. A line in the
// control costs a copy of its whole text (to see how it ends), the control's wrapping of the new
// text and an invalidation; taken in the handler that writes the line, that would hold up the block
// the handler sends next, and the next acknowledgement behind it. Of the lines waiting, no more are
// kept than the control keeps (kLogLinesKept): older ones would only be dropped from it again. Each
// time the lines go in, `flushed` (if given) runs: what else waits for the window thread to be
// idle.
// Window thread.

#include <deque>
#include <functional>
#include <string>

#include "framework/IntervalTimer.h"

struct HWND__;

namespace app {

class PacedLog {
 public:
  explicit PacedLog(HWND__* control, std::function<void()> flushed = {});
  PacedLog(const PacedLog&) = delete;
  PacedLog& operator=(const PacedLog&) = delete;

  // `line` is given without a line end.
  void Write(const std::wstring& line);
  // The control, with every line written so far in it (but those it no longer keeps).
  HWND__* Control();
  // Lines written that are not in the control yet, at most kLogLinesKept.
  std::size_t LinesWaiting() const { return pending_.size(); }

 private:
  void Tick();
  void Flush();

  HWND__* control_;
  std::function<void()> flushed_;
  std::deque<std::wstring> pending_;  // lines not yet in the control, oldest first
  framework::IntervalTimer flushTimer_;
  bool flushDue_ = false;
  unsigned long long lastWriteMs_ = 0;     // system tick count at the last line written
  unsigned long long firstWaitingMs_ = 0;  // and at the first line of those waiting
};

}  // namespace app
