#pragma once

// One run of the programmer, wired as the main window wires it, over whatever transport is
// installed, with the device on it. Window thread only.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ExceptionGuard.h"
#include "tests/support/ProgrammerUnderTest.h"
#include "tools/qlt1/Qlt1Device.h"

namespace reliability {

// The texts of the failures that reach the exception guard (what the error boxes would show).
class EscapedErrors {
 public:
  EscapedErrors();
  ~EscapedErrors();
  EscapedErrors(const EscapedErrors&) = delete;
  EscapedErrors& operator=(const EscapedErrors&) = delete;
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  std::vector<std::string> texts_;
  framework::ExceptionHook previous_;
};

// The timers' periods in milliseconds. Short ones let many runs fit in one test; nothing in the
// session or discovery depends on them. The timers run for real here: how ticks interleave with
// the device's replies is part of what these tests try.
struct Timing {
  unsigned discovery = 10;
  unsigned probe = 50;
};
// The program's own.
inline constexpr Timing kProgramTiming{250, 250};

class UpdateRig {
 public:
  explicit UpdateRig(const qlt1::Qlt1Device& device, Timing timing = {});
  ~UpdateRig();
  UpdateRig(const UpdateRig&) = delete;
  UpdateRig& operator=(const UpdateRig&) = delete;

  // The input port discovery made last, or none.
  midi::TMidiInput* InputPort() { return (*programmer_)->InputPort(); }
  const std::vector<std::string>& Log() const { return programmer_ != nullptr ? programmer_->log : closedLog_; }
  // The log so far, which starts afresh.
  std::vector<std::string> TakeLog();
  const std::vector<std::string>& Errors() const { return errors_.Texts(); }
  void OnLogLine(std::function<void(const std::string&)> watcher) { programmer_->onLine = std::move(watcher); }

  // What the window's creation starts.
  void Start();
  // Runs the window thread until the device has counted `finishes` finished updates; false as
  // soon as no line was logged for `quiet` (a device that is probed for ever counts as stalled).
  bool RunUntilFinishes(int finishes, std::chrono::milliseconds quiet);
  void RunFor(std::chrono::milliseconds duration);
  // The user closes the window: the ports are closed and released; the rig stays usable for its
  // counters only.
  void CloseWindow();

 private:
  const qlt1::Qlt1Device& device_;
  EscapedErrors errors_;
  std::unique_ptr<testsupport::ProgrammerUnderTest> programmer_ = std::make_unique<testsupport::ProgrammerUnderTest>();
  std::vector<std::string> closedLog_;  // the log as it was when the window closed
};

// The log of a successful update from the ReadyReply on, and that of a first one from start-up.
std::vector<std::string> UpdateLog();
std::vector<std::string> FirstUpdateLog();

// Whether every line is one the program writes.
bool OnlyProgramLines(const std::vector<std::string>& log);

}  // namespace reliability
