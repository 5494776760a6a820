#pragma once

// A stand-in for the main window in tests of the session and discovery: the same log, timers and
// port slots, without any widget. The log is kept as lines.

#include <string>
#include <vector>

#include "app/ProgrammerWindow.h"

namespace testsupport {

class ProgrammerTestWindow : public framework::TComponent, public app::ProgrammerWindow {
 public:
  ProgrammerTestWindow() : TComponent(nullptr) {
    programTimer_->SetEnabled(false);
    programTimer_->SetInterval(250);
    timer1_->SetInterval(250);
    timer1_->SetEnabled(false);
  }

  void AppendLog(const std::string& line) override { log.push_back(line); }
  framework::TTimer& ProgramTimer() override { return *programTimer_; }
  framework::TTimer& Timer1() override { return *timer1_; }
  framework::TComponent* PortOwner() override { return this; }
  midi::TMidiInput* MidiInput1() override { return input_; }
  void SetMidiInput1(midi::TMidiInput* port) override { input_ = port; }
  midi::TMidiOutput* MidiOutput1() override { return output_; }
  void SetMidiOutput1(midi::TMidiOutput* port) override { output_ = port; }
  framework::TNotifyEvent MidiInputHandler() override { return inputHandler; }
  framework::TNotifyEvent MidiOverflowHandler() override { return overflowHandler; }

  std::vector<std::string> log;
  // What MidiInputHandler gives the input port; the tests bind it to the session.
  framework::TNotifyEvent inputHandler;
  // What MidiOverflowHandler gives the input port; none unless a test binds one.
  framework::TNotifyEvent overflowHandler;

 private:
  framework::TTimer* programTimer_ = new framework::TTimer(this);
  framework::TTimer* timer1_ = new framework::TTimer(this);
  midi::TMidiInput* input_ = nullptr;
  midi::TMidiOutput* output_ = nullptr;
};

}  // namespace testsupport
