#include "app/qt/Program.h"

#include <QApplication>
#include <QIcon>

#include <optional>
#include <utility>

#include "app/qt/CloseRequestSignals.h"
#include "app/qt/MainWindow.h"
#include "framework/Application.h"

namespace app {

namespace {

constexpr int kExitNotBuilt = 1;

// The transport of one run, and the one it replaced, which comes back afterwards.
class TransportForRun {
 public:
  explicit TransportForRun(std::unique_ptr<platform::Transport> transport) : installs_(transport != nullptr) {
    if (installs_) previous_ = platform::InstallTransport(std::move(transport));
  }
  ~TransportForRun() {
    if (installs_) platform::InstallTransport(std::move(previous_));
  }
  TransportForRun(const TransportForRun&) = delete;
  TransportForRun& operator=(const TransportForRun&) = delete;

 private:
  bool installs_;
  std::unique_ptr<platform::Transport> previous_;
};

}  // namespace

int RunProgram(std::unique_ptr<platform::Transport> transport) {
  const TransportForRun installed(std::move(transport));
  framework::TApplication application;
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/MAINICON")));
  // Destroyed in the reverse order: the signal handlers go first, then the window with its ports,
  // while the application object still shows what fails and the transport is still there.
  std::unique_ptr<TForm1> form;
  std::optional<CloseRequestSignals> closeSignals;
  try {
    // Already here, so that a request during start-up closes the window once the loop runs, and
    // one while the "Application Error" box is open closes the box.
    closeSignals.emplace([&] {
      application.Terminate();
      if (form != nullptr) form->Close();
    });
    form = std::make_unique<TForm1>();
  } catch (...) {
    application.ShowApplicationError(std::current_exception());
    return kExitNotBuilt;
  }
  form->Show();
  // Closing the window, the program's last, ends the loop with status 0.
  return QApplication::exec();
}

}  // namespace app
