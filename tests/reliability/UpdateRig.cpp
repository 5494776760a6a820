#include "tests/reliability/UpdateRig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>
#include <set>
#include <thread>
#include <utility>

#include "firmware/FirmwareImage.h"
#include "framework/ErrorText.h"

namespace reliability {

EscapedErrors::EscapedErrors()
    : previous_(framework::SetExceptionHook(
          [this](std::exception_ptr error) { texts_.push_back(framework::MessageOf(error)); })) {}

EscapedErrors::~EscapedErrors() { framework::SetExceptionHook(previous_); }

void WatchedWindow::AppendLog(const std::string& line) {
  ProgrammerTestWindow::AppendLog(line);
  if (onLine) onLine(line);
}

UpdateRig::UpdateRig(DeviceUnderTest& device, Timing timing) : device_(device) {
  window_->inputHandler = framework::TNotifyEvent(window_.get(), [this](framework::TObject* sender) {
    session_.MidiInput1MidiInput(static_cast<midi::TMidiInput&>(*sender));
  });
  window_->ProgramTimer().OnTimer = framework::TNotifyEvent(window_.get(), [this](framework::TObject*) {
    session_.ProgramTimerTimer();
  });
  window_->Timer1().OnTimer = framework::TNotifyEvent(window_.get(), [this](framework::TObject*) {
    discovery_.Timer1Timer();
  });
  window_->ProgramTimer().SetInterval(timing.probe);
  window_->Timer1().SetInterval(timing.discovery);
}

UpdateRig::~UpdateRig() { CloseWindow(); }

void UpdateRig::Start() {
  session_.FillExpectedReplies();
  window_->AppendLog(">Switch on QLT-1");
  window_->Timer1().SetEnabled(true);
}

bool UpdateRig::RunUntilFinishes(int finishes, std::chrono::milliseconds quiet) {
  std::size_t lastLines = window_->log.size();
  QDeadlineTimer still(quiet);
  while (device_.Finishes() < finishes) {
    if (window_->log.size() != lastLines) {
      lastLines = window_->log.size();
      still.setRemainingTime(quiet);
    } else if (still.hasExpired()) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return true;
}

std::vector<std::string> UpdateRig::TakeLog() { return std::exchange(window_->log, {}); }

void UpdateRig::RunFor(std::chrono::milliseconds duration) {
  QDeadlineTimer deadline(duration);
  while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void UpdateRig::CloseWindow() {
  if (window_ == nullptr) return;
  window_->Timer1().SetEnabled(false);
  window_->ProgramTimer().SetEnabled(false);
  closedLog_ = window_->log;
  window_.reset();
}

std::vector<std::string> UpdateLog() {
  std::vector<std::string> log{">Communications Established", ">Programming", ">Block 0"};
  for (std::size_t block = 1; block < firmware::kBlockCount; ++block)
    if (firmware::FirmwareImage().BlockFlags[block] == 1) log.push_back(">Block " + std::to_string(block));
  log.push_back(">New Software Successfully Loaded");
  log.push_back(">Finished");
  return log;
}

std::vector<std::string> FirstUpdateLog() {
  std::vector<std::string> log{">Switch on QLT-1", ">USB Midi Connected"};
  const std::vector<std::string> update = UpdateLog();
  log.insert(log.end(), update.begin(), update.end());
  return log;
}

bool OnlyProgramLines(const std::vector<std::string>& log) {
  static const std::set<std::string> kLines = {
      ">Switch on QLT-1", ">USB Midi Connected", ">Communications Established", ">Programming",
      ">Transmission Problem", ">New Software Successfully Loaded", ">Finished"};
  return std::all_of(log.begin(), log.end(), [](const std::string& line) {
    if (kLines.count(line) != 0) return true;
    const std::string number = line.substr(std::min(line.size(), std::size_t{7}));
    return line.rfind(">Block ", 0) == 0 && !number.empty() && number.size() <= 3 &&
           std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           (number == "0" || number[0] != '0') && std::stoi(number) <= 170;
  });
}

}  // namespace reliability
