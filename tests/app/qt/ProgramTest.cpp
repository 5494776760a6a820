// The whole program in-process on the simulated transport: a window that cannot be built, a
// whole update ended by closing the window, and SIGTERM in the middle of an update and while an
// error box is open.
#include "app/qt/Program.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"
#include "framework/StandardLines.h"
#include "tests/support/SimulatedPlatform.h"
#include "tests/support/SimulatedQlt1.h"
#include "tests/support/SuccessfulUpdate.h"
#include "tests/support/UnreadStandardOutput.h"
#include "tests/support/qt/BoxWatcher.h"
#include "tests/support/qt/OutputLines.h"

namespace {

using guitest::ProgramLines;
using platform::PlatformCall;

QWidget* MainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == "Form1" && widget->isVisible()) return widget;
  return nullptr;
}

using testsupport::FlaggedBlocks;

using SignalHandler = void (*)(int);

const std::string kHeldPortText =
    "The MIDI device is already in use by another program. Close the other programs that use MIDI: the tool connects "
    "to the QLT-1 as soon as its port is free.";

SignalHandler CurrentHandler(int signal) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return current.sa_handler;
}

class ProgramTest : public testsupport::SimulatedPlatformTest {
 protected:
  // Runs the program, with `step` looking in every few milliseconds from inside its event loop.
  int RunWith(const std::function<void()>& step, std::unique_ptr<platform::Transport> transport = nullptr) {
    QTimer stepper;
    QObject::connect(&stepper, &QTimer::timeout, step);
    stepper.start(2);
    guitest::CaptureStdout();
    guitest::CaptureStderr();
    const int status = app::RunProgram(std::move(transport));
    stdout_ = guitest::CapturedStdout();
    stderr_ = guitest::CapturedStderr();
    return status;
  }

  std::string stdout_;
  std::string stderr_;
};

// The input port of the layout cannot read the capabilities of the first MIDI port.
TEST_F(ProgramTest, AWindowThatCannotBeBuiltGivesTheApplicationErrorAndStatusOne) {
  Sim().AddInput("Keyboard");
  Faults().FailAlways(PlatformCall::midiInGetDevCapsA, MMSYSERR_ERROR);
  guitest::SeenBox seen;
  bool windowSeen = false;
  const int status = RunWith([&] {
    windowSeen = windowSeen || MainWindow() != nullptr;
    const std::vector<QMessageBox*> boxes = guitest::OpenBoxes();
    if (boxes.empty()) return;
    seen = guitest::Describe(*boxes.front());
    guitest::PressOk(*boxes.front());
  });

  EXPECT_EQ(status, 1);
  EXPECT_EQ(seen.caption, "Application Error");
  EXPECT_EQ(seen.text, "EMidiInputError: An unspecified error occurred in the MIDI system.");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_FALSE(windowSeen);
  EXPECT_EQ(stdout_, "") << "FormCreate never ran";
  EXPECT_EQ(ProgramLines(stderr_), std::vector<std::string>{seen.text});
}

TEST_F(ProgramTest, SigtermWhileTheApplicationErrorBoxIsOpenClosesItWithStatusOne) {
  Sim().AddInput("Keyboard");
  Faults().FailAlways(PlatformCall::midiInGetDevCapsA, MMSYSERR_ERROR);
  bool raised = false;
  const int status = RunWith([&] {
    if (raised || guitest::OpenBoxes().empty()) return;
    raised = true;
    std::raise(SIGTERM);
  });

  EXPECT_EQ(status, 1);
  EXPECT_TRUE(raised);
  EXPECT_TRUE(guitest::OpenBoxes().empty());
}

TEST_F(ProgramTest, AWholeUpdateThenTheCloseBoxEndsWithStatusZeroAndThePortsClosed) {
  testsupport::SimulatedQlt1 device(Sim());
  const SignalHandler termBefore = CurrentHandler(SIGTERM);
  const int status = RunWith([&] {
    if (device.Finishes() == 1 && MainWindow() != nullptr) MainWindow()->close();
  });

  EXPECT_EQ(status, 0);
  const std::vector<std::string> log = testsupport::SuccessfulUpdateLog();
  EXPECT_EQ(guitest::Lines(stdout_), log);
  EXPECT_EQ(device.BlocksReceived(), FlaggedBlocks());
  EXPECT_EQ(device.Faults(), std::vector<std::string>{});
  EXPECT_FALSE(Sim().IsOpen(device.ToolInput()));
  EXPECT_FALSE(Sim().IsOpen(device.ToolOutput()));
  EXPECT_EQ(ProgramLines(stderr_), std::vector<std::string>{});
  EXPECT_EQ(CurrentHandler(SIGTERM), termBefore) << "the program's signal handlers go with it";
}

// Standard output a full pipe that nobody reads, as a terminal stopped with Ctrl+S holds its
// writers (and a Windows console with a text selection in it): the update and the window go on,
// the lines wait within the line writer's bound, and reach the pipe in order once it is read.
TEST_F(ProgramTest, AStandardOutputThatTakesNothingHoldsUpNeitherTheWindowNorTheUpdate) {
  testsupport::SimulatedQlt1 device(Sim());
  std::size_t mostQueued = 0;
  QTimer stepper;
  QObject::connect(&stepper, &QTimer::timeout, [&] {
    mostQueued = std::max(mostQueued, framework::StandardLineWriter().QueuedBytes());
    if (device.Finishes() == 1 && MainWindow() != nullptr) MainWindow()->close();
  });
  stepper.start(2);
  testsupport::UnreadStandardOutput unread(std::chrono::seconds(10));
  const int status = app::RunProgram(nullptr);
  const bool waitedForThePipe = unread.ReadForcibly();
  const std::vector<std::string> lines = unread.ReadLines();

  EXPECT_FALSE(waitedForThePipe) << "the update went on only once the pipe was read";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(device.BlocksReceived(), FlaggedBlocks());
  EXPECT_GT(mostQueued, 0u) << "the lines waited for the pipe";
  EXPECT_LE(mostQueued, framework::kStandardLinesCapacity);
  EXPECT_EQ(lines, testsupport::SuccessfulUpdateLog());
}

TEST_F(ProgramTest, SigtermDuringAnUpdateClosesThePortsAndEndsWithStatusZero) {
  testsupport::SimulatedQlt1 device(Sim());
  device.FallSilentAfter(3);
  bool raised = false;
  const int status = RunWith([&] {
    if (raised || device.BlocksReceived().size() < 3) return;
    raised = true;
    std::raise(SIGTERM);
  });

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(raised);
  EXPECT_FALSE(Sim().IsOpen(device.ToolInput()));
  EXPECT_FALSE(Sim().IsOpen(device.ToolOutput()));
  EXPECT_LT(device.BlocksReceived().size(), FlaggedBlocks().size()) << "the remaining blocks stay unsent";
  EXPECT_EQ(device.Finishes(), 0);
  EXPECT_EQ(MainWindow(), nullptr);
}

// The device's input port cannot be opened: every discovery tick fails. One box shows it while
// the ticks go on behind it; SIGINT then closes the box and the window.
TEST_F(ProgramTest, SigintWhileAnErrorBoxIsOpenClosesBoxAndWindow) {
  testsupport::SimulatedQlt1 device(Sim());
  Faults().FailAlways(PlatformCall::midiInOpen, MMSYSERR_ALLOCATED);
  guitest::SeenBox seen;
  std::size_t mostBoxes = 0;
  unsigned opensAtBox = 0;
  bool raised = false;
  const int status = RunWith([&] {
    const std::vector<QMessageBox*> boxes = guitest::OpenBoxes();
    mostBoxes = std::max(mostBoxes, boxes.size());
    if (boxes.empty() || raised) return;
    seen = guitest::Describe(*boxes.front());
    const unsigned opens = Faults().CallCount(PlatformCall::midiInOpen);
    if (opensAtBox == 0) opensAtBox = opens;
    if (opens < opensAtBox + 3) return;
    raised = true;
    std::raise(SIGINT);
  });

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(raised) << "discovery went on behind the box";
  EXPECT_EQ(mostBoxes, 1u);
  EXPECT_EQ(seen.text, kHeldPortText);
  EXPECT_EQ(seen.caption, QCoreApplication::applicationName().toStdString());
  EXPECT_TRUE(guitest::OpenBoxes().empty());
  EXPECT_EQ(MainWindow(), nullptr);
  EXPECT_FALSE(Sim().IsOpen(device.ToolInput()));
  EXPECT_FALSE(Sim().IsOpen(device.ToolOutput()));
  EXPECT_EQ(guitest::Lines(stdout_), std::vector<std::string>{">Switch on QLT-1"});
}

// Another program holds the device's input port: every discovery tick fails. Never more than one
// box waits while the ticks fail on behind it, each says what to do, the next comes once it is
// closed, and once the port is free the update runs to its end.
TEST_F(ProgramTest, AHeldPortShowsOneBoxAtATimeAgainOnceClosedAndTheUpdateRunsOnceItIsFree) {
  testsupport::SimulatedQlt1 device(Sim());
  Faults().FailAlways(PlatformCall::midiInOpen, MMSYSERR_ALLOCATED);
  std::vector<std::string> texts;
  std::size_t mostBoxes = 0;
  unsigned opensAtBox = 0;
  const int status = RunWith([&] {
    const std::vector<QMessageBox*> boxes = guitest::OpenBoxes();
    mostBoxes = std::max(mostBoxes, boxes.size());
    if (device.Finishes() == 1 && MainWindow() != nullptr) MainWindow()->close();
    if (boxes.empty()) return;
    const unsigned opens = Faults().CallCount(PlatformCall::midiInOpen);
    if (opensAtBox == 0) opensAtBox = opens;
    if (opens < opensAtBox + 3) return;
    texts.push_back(guitest::Describe(*boxes.front()).text);
    opensAtBox = 0;
    if (texts.size() == 2) Faults().Clear(PlatformCall::midiInOpen);
    guitest::PressOk(*boxes.front());
  });

  EXPECT_EQ(status, 0);
  EXPECT_EQ(mostBoxes, 1u);
  EXPECT_EQ(texts, (std::vector<std::string>{kHeldPortText, kHeldPortText}));
  EXPECT_EQ(device.BlocksReceived(), FlaggedBlocks());
  const std::vector<std::string> failures = ProgramLines(stderr_);
  EXPECT_GE(failures.size(), 6u) << "every failed tick reaches standard error";
  EXPECT_EQ(std::count(failures.begin(), failures.end(), kHeldPortText), static_cast<std::ptrdiff_t>(failures.size()));
}

TEST_F(ProgramTest, AGivenTransportIsUsedForTheRunAndTheInstalledOneComesBack) {
  auto own = std::make_unique<platform::SimulatedTransport>();
  platform::SimulatedTransport& mine = *own;
  const auto input = mine.AddInput(firmware::kDevicePortName);
  const auto output = mine.AddOutput(firmware::kDevicePortName);
  bool openDuringRun = false;
  const int status = RunWith(
      [&] {
        if (openDuringRun || !mine.IsOpen(input) || !mine.IsOpen(output)) return;
        openDuringRun = true;
        MainWindow()->close();
      },
      std::move(own));

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(openDuringRun);
  EXPECT_EQ(platform::CurrentTransport(), &Sim());
}

}  // namespace
