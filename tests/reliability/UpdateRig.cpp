#include "tests/reliability/UpdateRig.h"

#include <algorithm>
#include <set>
#include <utility>

#include "firmware/FirmwareImage.h"
#include "framework/ErrorText.h"
#include "tests/support/EventLoop.h"
#include "tests/support/SuccessfulUpdate.h"

namespace reliability {

EscapedErrors::EscapedErrors()
    : previous_(framework::SetExceptionHook(
          [this](std::exception_ptr error) { texts_.push_back(framework::MessageOf(error)); })) {}

EscapedErrors::~EscapedErrors() { framework::SetExceptionHook(previous_); }

// The window starts discovery at its creation; here creation and start are apart, and the first
// tick must not come before the first line.
UpdateRig::UpdateRig(const qlt1::Qlt1Device& device, Timing timing) : device_(device) {
  (*programmer_)->ProbeTimer().SetInterval(timing.probe);
  (*programmer_)->DiscoveryTimer().SetInterval(timing.discovery);
  (*programmer_)->DiscoveryTimer().SetEnabled(false);
}

UpdateRig::~UpdateRig() { CloseWindow(); }

void UpdateRig::Start() {
  (*programmer_)->Start();
  (*programmer_)->DiscoveryTimer().SetEnabled(true);
}

bool UpdateRig::RunUntilFinishes(int finishes, std::chrono::milliseconds quiet) {
  using Clock = std::chrono::steady_clock;
  std::size_t lastLines = programmer_->log.size();
  Clock::time_point lastLine = Clock::now();
  bool stalled = false;
  // The quiet time bounds the run; the loop's own time-out is only a backstop.
  testsupport::ProcessEventsUntil(
      [&] {
        if (device_.Finishes() >= finishes) return true;
        if (programmer_->log.size() != lastLines) {
          lastLines = programmer_->log.size();
          lastLine = Clock::now();
        } else if (Clock::now() - lastLine >= quiet) {
          stalled = true;
        }
        return stalled;
      },
      std::chrono::hours(24));
  return !stalled;
}

std::vector<std::string> UpdateRig::TakeLog() { return std::exchange(programmer_->log, {}); }

void UpdateRig::RunFor(std::chrono::milliseconds duration) { testsupport::ProcessEventsFor(duration); }

void UpdateRig::CloseWindow() {
  if (programmer_ == nullptr) return;
  closedLog_ = programmer_->log;
  programmer_.reset();
}

std::vector<std::string> UpdateLog() {
  std::vector<std::string> log = FirstUpdateLog();
  log.erase(log.begin(), std::find(log.begin(), log.end(), ">Communications Established"));
  return log;
}

std::vector<std::string> FirstUpdateLog() { return testsupport::SuccessfulUpdateLog(); }

bool OnlyProgramLines(const std::vector<std::string>& log) {
  static const std::set<std::string> kLines = {
      ">Switch on QLT-1", ">USB Midi Connected",   ">Communications Established",
      ">Programming",     ">Transmission Problem", ">New Software Successfully Loaded",
      ">Finished"};
  return std::all_of(log.begin(), log.end(), [](const std::string& line) {
    if (kLines.count(line) != 0) return true;
    const std::string number = line.substr(std::min(line.size(), std::size_t{7}));
    return line.rfind(">Block ", 0) == 0 && !number.empty() && number.size() <= 3 &&
           std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           (number == "0" || number[0] != '0') && std::stoi(number) <= static_cast<int>(firmware::kLastBlock);
  });
}

}  // namespace reliability
