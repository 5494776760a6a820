#include "app/MainForm.h"

#include "framework/ExceptionGuard.h"
#include "framework/StandardLines.h"

namespace app {

MainForm::MainForm(const WindowMaker& makeWindow)
    : TComponent(nullptr),
      window_(makeWindow()),
      log_([this](const std::string& lines) { window_->AppendLogLines(lines); },
           [] { framework::WakeStandardLines(); }) {
  SetName("Form1");
  programmer_ = std::make_unique<Programmer>(
      *this, [this](const std::string& line) { AppendLog(line); },
      ProgrammerEvents{{this, &MainForm::Timer1Timer},
                       {this, &MainForm::ProgramTimerTimer},
                       {this, &MainForm::MidiInput1MidiInput},
                       {this, &MainForm::MidiInput1Overflow}});
  framework::RunGuarded([this] { FormCreate(); });
}

MainForm::~MainForm() = default;

void MainForm::FormCreate() {
  window_->CentreOnDesktop();
  programmer_->Start();
}

void MainForm::Timer1Timer(framework::TObject* /*sender*/) { programmer_->DiscoveryTick(); }

void MainForm::ProgramTimerTimer(framework::TObject* /*sender*/) { programmer_->ProbeTick(); }

void MainForm::MidiInput1MidiInput(framework::TObject* sender) {
  programmer_->InputWaiting(static_cast<midi::TMidiInput&>(*sender));
}

void MainForm::MidiInput1Overflow(framework::TObject* sender) {
  programmer_->InputOverflowed(static_cast<const midi::TMidiInput&>(*sender));
}

// A line is written on the way from a reply to the block it answers: its echo waits, in its place
// among the lines, until the log's own lines go in, when the window thread is idle.
void MainForm::AppendLog(const std::string& line) {
  log_.Write(line);
  framework::WriteStandardLineQuietly(framework::StandardStream::Output, line);
}

void MainForm::EndSession() {
  programmer_.reset();
  log_.Flush();
}

}  // namespace app
