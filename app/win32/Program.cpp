#include "app/win32/Program.h"

#include <memory>
#include <optional>

#include "app/win32/ConsoleCloseRequests.h"
#include "app/win32/EventLoop.h"
#include "app/win32/MainWindow.h"
#include "framework/Application.h"
#include "framework/StandardLines.h"

namespace app {

namespace {
constexpr int kExitNotBuilt = 1;
}  // namespace

int RunProgram() {
  framework::TApplication application;
  // Destroyed in the reverse order: the console handler goes first, then the window with its
  // ports, while the application object still shows what fails.
  std::unique_ptr<TForm1> form;
  std::optional<ConsoleCloseRequests> closeRequests;
  try {
    // Already here, so that a request during start-up closes the window once the loop runs, and
    // one while the "Application Error" box is open closes the box.
    closeRequests.emplace([&] {
      application.Terminate();
      if (form != nullptr) form->Close();
    });
    form = std::make_unique<TForm1>();
  } catch (...) {
    application.ShowApplicationError(std::current_exception());
    framework::FinishStandardLines();
    return kExitNotBuilt;
  }
  // Every line written so far is in the log before the window first appears.
  form->Memo1();
  UseUpStartupShowRequest(form->Window().Handle());
  form->Show(StartupShowCommand());
  const int status = RunEventLoop(form->Window().Handle());
  // An error box the loop ended inside is closed, and no further one opens.
  application.Terminate();
  // The program ends without the runtime's own end (main.cpp), which would not wait for them.
  framework::FinishStandardLines();
  return status;
}

}  // namespace app
