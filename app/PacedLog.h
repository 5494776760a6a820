#pragma once

// The lines the program writes to its log view (Memo1), put into the view a few at a time: lines
// go in together once none has been written for a twentieth of a second, at the latest a second
// after the first of them waits, or at once when Flush is called. A line in the view costs the
// window system a layout of the new text and a repaint (under Qt hundreds of microseconds; under
// wine on an emulated processor a fifth of a second); taken in the handler that writes the line,
// that would hold up the block the handler sends next, and the next acknowledgement behind it.
// Of the lines waiting, no more are kept than the view keeps (kLogLinesKept): older ones would
// only be dropped from the view again. Each time the lines go in, `flushed` (if given) runs: what
// else waits for the window thread to be idle. Window thread.

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "framework/IntervalTimer.h"

namespace app {

// The lines the log keeps: far more than an update writes (about 75), so that only a device that
// floods the tool with replies reaches it; the oldest go first. Standard output still gets every
// line.
inline constexpr int kLogLinesKept = 10000;

class PacedLog {
 public:
  // Puts `lines` (UTF-8, joined by "\n", without a final line end) into the view, as if appended
  // one by one.
  using AppendLines = std::function<void(const std::string& lines)>;

  explicit PacedLog(AppendLines append, std::function<void()> flushed = {});
  PacedLog(const PacedLog&) = delete;
  PacedLog& operator=(const PacedLog&) = delete;

  // `line` is given without a line end.
  void Write(std::string line);
  // Puts every line waiting into the view now.
  void Flush();
  // Lines written that are not in the view yet, at most kLogLinesKept.
  std::size_t LinesWaiting() const { return pending_.size(); }

 private:
  using Clock = std::chrono::steady_clock;

  void Tick();

  AppendLines append_;
  std::function<void()> flushed_;
  std::deque<std::string> pending_;  // lines not yet in the view, oldest first
  framework::IntervalTimer flushTimer_;
  bool flushDue_ = false;
  Clock::time_point lastWrite_;
  Clock::time_point firstWaiting_;
};

}  // namespace app
