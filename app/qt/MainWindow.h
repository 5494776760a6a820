#pragma once

// The program's one window, Form1: the log built from its stored layout, the programmer with the
// layout's two timers and two port objects, and the handlers of the window's events, which
// forward to the programmer. Window thread only; needs a QApplication.

#include <memory>
#include <string>

#include "app/Programmer.h"
#include "app/WindowGeometry.h"
#include "app/qt/PacedLog.h"
#include "framework/Component.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

class QPlainTextEdit;
class QWidget;

namespace app {

class TForm1 : public framework::TComponent {
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

  // Each log line is also written to standard output, for whoever follows the program from a
  // terminal.
  void AppendLog(const std::string& line);

  // The layout's components, as the programmer holds them.
  framework::TTimer& ProgramTimer() { return programmer_->ProbeTimer(); }
  framework::TTimer& Timer1() { return programmer_->DiscoveryTimer(); }
  midi::TMidiInput* MidiInput1() { return programmer_->InputPort(); }
  midi::TMidiOutput* MidiOutput1() { return programmer_->OutputPort(); }

 private:
  LayoutScale BuildWindow();
  void BuildMemo1(const LayoutScale& scale);
  void CentreOnDesktop();

  std::unique_ptr<QWidget> window_;
  QPlainTextEdit* memo1_ = nullptr;         // owned by window_
  std::unique_ptr<PacedLog> log_;           // writes to memo1_
  std::unique_ptr<Programmer> programmer_;  // writes to log_
};

}  // namespace app
