#pragma once

// The program's one window, Form1, as every window system has it: the window the system builds
// (NativeWindow), its paced log, the programmer with the layout's two timers and two port objects,
// and the handlers of the layout, which forward to the programmer. Each system's TForm1
// (qt/MainWindow.h, win32/MainWindow.h) adds what its tests and its program reach in its own
// types. Window thread only.

#include <functional>
#include <memory>
#include <string>

#include "app/NativeWindow.h"
#include "app/PacedLog.h"
#include "app/Programmer.h"
#include "framework/Component.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

namespace app {

class MainForm : public framework::TComponent {
 public:
  ~MainForm() override;

  // The handlers of the layout.
  void FormCreate();
  void Timer1Timer(framework::TObject* sender);
  void ProgramTimerTimer(framework::TObject* sender);
  void MidiInput1MidiInput(framework::TObject* sender);
  // The input port dropped an event because its ring was full.
  void MidiInput1Overflow(framework::TObject* sender);

  // Each log line is also written to standard output, for whoever follows the program from a
  // terminal or console.
  void AppendLog(const std::string& line);

  void Close() { window_->Close(); }

  // The layout's components, as the programmer holds them; none once the session has ended.
  framework::TTimer& ProgramTimer() { return programmer_->ProbeTimer(); }
  framework::TTimer& Timer1() { return programmer_->DiscoveryTimer(); }
  midi::TMidiInput* MidiInput1() { return programmer_->InputPort(); }
  midi::TMidiOutput* MidiOutput1() { return programmer_->OutputPort(); }

 protected:
  using WindowMaker = std::function<std::unique_ptr<NativeWindow>()>;

  // Builds the window with `makeWindow`, then runs FormCreate under the exception guard. A
  // failure while the layout is built leaves nothing behind and passes to the caller.
  explicit MainForm(const WindowMaker& makeWindow);

  // The window `makeWindow` gave.
  NativeWindow& Native() { return *window_; }
  // Every line written so far goes into the log now.
  void FlushLog() { log_.Flush(); }
  // The system may end the process once the window has handled the session's end: the ports
  // close and the timers stop now.
  void EndSession();

 private:
  // Destroyed in the reverse order: the ports close and the timers stop before the window goes.
  std::unique_ptr<NativeWindow> window_;
  PacedLog log_;                            // writes to the window's log
  std::unique_ptr<Programmer> programmer_;  // writes to log_
};

}  // namespace app
