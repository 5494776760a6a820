#include "app/PacedLog.h"

#include <iterator>
#include <utility>

namespace app {

namespace {
// Lines still appear to the eye as they come: after a twentieth of a second without a new one,
// and at the latest a second after the first of them.
constexpr std::chrono::milliseconds kQuiet{50};
constexpr std::chrono::milliseconds kLongestWait{1000};
}  // namespace

PacedLog::PacedLog(AppendLines append, std::function<void()> flushed)
    : append_(std::move(append)), flushed_(std::move(flushed)), flushTimer_([this] { Tick(); }) {}

// A timer the system cannot give leaves the lines for the next write or Flush(); the next write
// tries again. The clock is read here instead of the timer being set again: setting it is a call
// into the system on the way from a reply to its block.
void PacedLog::Write(std::string line) {
  pending_.push_back(std::move(line));
  if (pending_.size() > static_cast<std::size_t>(kLogLinesKept)) pending_.pop_front();
  lastWrite_ = Clock::now();
  if (flushDue_) return;
  firstWaiting_ = lastWrite_;
  flushDue_ = flushTimer_.Start(static_cast<unsigned>(kQuiet.count()));
}

// While lines keep coming, a conversation is going on, and a reply that comes while the view
// takes them waits for it: they wait for a quiet spell.
void PacedLog::Tick() {
  const Clock::time_point now = Clock::now();
  if (now - lastWrite_ < kQuiet && now - firstWaiting_ < kLongestWait) return;
  Flush();
}

// Several lines appended as one give the same text, caret and scrolling as one at a time.
void PacedLog::Flush() {
  flushTimer_.Stop();
  flushDue_ = false;
  if (flushed_) flushed_();
  if (pending_.empty()) return;
  std::string lines = std::move(pending_.front());
  for (auto line = std::next(pending_.begin()); line != pending_.end(); ++line) (lines += '\n') += *line;
  pending_.clear();
  append_(lines);
}

}  // namespace app
