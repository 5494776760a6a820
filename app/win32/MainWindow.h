#pragma once

// The program's one window, Form1: the window with its log (FormWindow), the programmer with the
// layout's two timers and two port objects, and the handlers of the window's events, which
// forward to the programmer. Window thread only.

#include <memory>
#include <string>

#include "app/Programmer.h"
#include "app/win32/FormWindow.h"
#include "app/win32/PacedLog.h"
#include "framework/Component.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

namespace app {

class TForm1 : public framework::TComponent {
 public:
  // Builds the window (hidden) from its layout, then runs FormCreate under the exception guard. A
  // failure while the layout is built leaves nothing behind and passes to the caller.
  TForm1();
  ~TForm1() override;

  FormWindow& Window() { return *window_; }
  // The log, with every line written so far in it.
  HWND__* Memo1() { return log_->Control(); }
  // Shows the window with a ShowWindow command, every line written so far in the log.
  void Show(int showCommand);
  void Close();

  // The handlers of the layout.
  void FormCreate();
  void Timer1Timer(framework::TObject* sender);
  void ProgramTimerTimer(framework::TObject* sender);
  void MidiInput1MidiInput(framework::TObject* sender);
  // The input port dropped an event because its ring was full.
  void MidiInput1Overflow(framework::TObject* sender);

  // Each log line is also written to standard output, for whoever follows the program from a
  // console.
  void AppendLog(const std::string& line);

  // The layout's components, as the programmer holds them; none once the session has ended.
  framework::TTimer& ProgramTimer() { return programmer_->ProbeTimer(); }
  framework::TTimer& Timer1() { return programmer_->DiscoveryTimer(); }
  midi::TMidiInput* MidiInput1() { return programmer_->InputPort(); }
  midi::TMidiOutput* MidiOutput1() { return programmer_->OutputPort(); }

 private:
  // The system may end the process once the window has handled the session's end: the ports close
  // and the timers stop now.
  void EndSession();

  std::unique_ptr<FormWindow> window_;
  std::unique_ptr<PacedLog> log_;           // writes to the window's log
  std::unique_ptr<Programmer> programmer_;  // writes to log_
};

}  // namespace app
