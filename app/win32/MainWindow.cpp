#include "app/win32/MainWindow.h"

#include "framework/ExceptionGuard.h"
#include "framework/StandardLines.h"
#include "framework/win32/Utf.h"

namespace app {

TForm1::TForm1() : TComponent(nullptr) {
  SetName("Form1");
  window_ = std::make_unique<FormWindow>([this] { EndSession(); });
  log_ = std::make_unique<PacedLog>(window_->Log(), [] { framework::WakeStandardLines(); });
  programmer_ = std::make_unique<Programmer>(
      *this, [this](const std::string& line) { AppendLog(line); },
      ProgrammerEvents{{this, &TForm1::Timer1Timer},
                       {this, &TForm1::ProgramTimerTimer},
                       {this, &TForm1::MidiInput1MidiInput},
                       {this, &TForm1::MidiInput1Overflow}});
  framework::RunGuarded([this] { FormCreate(); });
}

// The ports close and the timers stop before the window goes.
TForm1::~TForm1() = default;

void TForm1::Show(int showCommand) {
  log_->Control();
  window_->Show(showCommand);
}

void TForm1::Close() { window_->Close(); }

void TForm1::FormCreate() {
  window_->CentreOnDesktop();
  programmer_->Start();
}

void TForm1::Timer1Timer(framework::TObject* /*sender*/) { programmer_->DiscoveryTick(); }

void TForm1::ProgramTimerTimer(framework::TObject* /*sender*/) { programmer_->ProbeTick(); }

void TForm1::MidiInput1MidiInput(framework::TObject* sender) {
  programmer_->InputWaiting(static_cast<midi::TMidiInput&>(*sender));
}

void TForm1::MidiInput1Overflow(framework::TObject* sender) {
  programmer_->InputOverflowed(static_cast<const midi::TMidiInput&>(*sender));
}

// A line is written on the way from a reply to the block it answers: its echo waits, in its place
// among the lines, until the log's own lines go in, when the window thread is idle.
void TForm1::AppendLog(const std::string& line) {
  log_->Write(framework::WideFromUtf8(line));
  framework::WriteStandardLineQuietly(framework::StandardStream::Output, line);
}

void TForm1::EndSession() {
  programmer_.reset();
  log_->Control();
}

}  // namespace app
