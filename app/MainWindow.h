#pragma once

// The program's one window, Form1: the log, the two timers and the two port objects, built from
// its stored layout, and the four handlers of the window's events. The session and discovery do
// the work; this class holds what they act on. Window thread only; needs a QApplication.

#include <memory>
#include <string>

#include "app/DeviceDiscovery.h"
#include "app/PacedLog.h"
#include "app/ProgrammerWindow.h"
#include "app/ProgrammingSession.h"
#include "app/WindowGeometry.h"
#include "framework/Component.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

class QPlainTextEdit;
class QWidget;

namespace app {

class TForm1 : public framework::TComponent, public ProgrammerWindow {
 public:
  // Builds the window from its layout, then runs FormCreate under the exception guard. A failure
  // while the layout is built leaves nothing behind and passes to the caller.
  TForm1();
  ~TForm1() override;

  QWidget& Window() { return *window_; }
  // The log, with every line written so far in it.
  QPlainTextEdit& Memo1() { return log_->View(); }
  void Show();
  void Close();

  // The handlers of the layout.
  void FormCreate();
  void Timer1Timer(framework::TObject* sender);
  void ProgramTimerTimer(framework::TObject* sender);
  void MidiInput1MidiInput(framework::TObject* sender);
  // The input port dropped an event because its ring was full.
  void MidiInput1Overflow(framework::TObject* sender);

  // ProgrammerWindow. Each log line is also written to standard output, for whoever follows the
  // program from a terminal.
  void AppendLog(const std::string& line) override;
  framework::TTimer& ProgramTimer() override { return *programTimer_; }
  framework::TTimer& Timer1() override { return *timer1_; }
  framework::TComponent* PortOwner() override { return this; }
  midi::TMidiInput* MidiInput1() override { return midiInput1_; }
  void SetMidiInput1(midi::TMidiInput* port) override { midiInput1_ = port; }
  midi::TMidiOutput* MidiOutput1() override { return midiOutput1_; }
  void SetMidiOutput1(midi::TMidiOutput* port) override { midiOutput1_ = port; }
  framework::TNotifyEvent MidiInputHandler() override { return {this, &TForm1::MidiInput1MidiInput}; }
  framework::TNotifyEvent MidiOverflowHandler() override { return {this, &TForm1::MidiInput1Overflow}; }

 private:
  LayoutScale BuildWindow();
  void BuildMemo1(const LayoutScale& scale);
  void BuildPorts();
  void BuildTimers();
  void CentreOnDesktop();

  ProgrammingSession session_{*this};
  DeviceDiscovery discovery_{*this};
  std::unique_ptr<QWidget> window_;
  midi::TMidiOutput* midiOutput1_ = nullptr;
  midi::TMidiInput* midiInput1_ = nullptr;
  QPlainTextEdit* memo1_ = nullptr;  // owned by window_
  std::unique_ptr<PacedLog> log_;    // writes to memo1_
  framework::TTimer* programTimer_ = nullptr;
  framework::TTimer* timer1_ = nullptr;
};

}  // namespace app
