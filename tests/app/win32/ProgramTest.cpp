// The window with its MIDI side and the whole program in-process, on the emulation with the
// simulated transport: FormCreate before the first show, a window that cannot be built, a whole
// update ended by WM_CLOSE, an error box for a failing tick, and the session's end during an
// update, and Ctrl+C on a console of the program's own and on one it shares.
#include "app/win32/Program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/WindowGeometry.h"
#include "app/win32/MainWindow.h"
#include "firmware/FirmwareImage.h"
#include "framework/Application.h"
#include "framework/IntervalTimer.h"
#include "framework/StandardLines.h"
#include "framework/Timer.h"
#include "tests/app/win32/Console.h"
#include "tests/app/win32/Desktop.h"
#include "tests/app/win32/LaunchRequest.h"
#include "tests/app/win32/SystemTimers.h"
#include "tests/support/SimulatedPlatform.h"
#include "tests/support/SimulatedQlt1.h"
#include "tests/support/SuccessfulUpdate.h"
#include "tests/support/UnreadStandardOutput.h"

namespace {

using platform::PlatformCall;

constexpr int kShowNormal = 1;  // SW_SHOWNORMAL

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

using testsupport::FlaggedBlocks;

class ProgramTest : public testsupport::SimulatedPlatformTest {
 protected:
  // Runs the program, with `step` looking in every few milliseconds from inside whichever event
  // loop runs, an error box's own included.
  int RunWith(const std::function<void()>& step) {
    framework::IntervalTimer stepper(step);
    stepper.Start(2);
    framework::FinishStandardLines();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = app::RunProgram();
    stdout_ = testing::internal::GetCapturedStdout();
    stderr_ = testing::internal::GetCapturedStderr();
    return status;
  }

  // Runs the program and types Ctrl+C on the console once its window is up; gives whether the
  // window was still open `patience` later (it is then closed as its close box would).
  bool StillOpenAfterCtrlC(std::chrono::seconds patience) {
    bool typed = false;
    bool stillOpen = false;
    std::chrono::steady_clock::time_point typedAt;
    const int status = RunWith([&] {
      HWND__* const window = windowtest::VisibleMainWindow();
      if (window == nullptr || stillOpen) return;
      if (!typed) {
        typed = true;
        typedAt = std::chrono::steady_clock::now();
        windowtest::TypeCtrlC();
      } else if (std::chrono::steady_clock::now() - typedAt > patience) {
        stillOpen = true;
        windowtest::PostClose(window);
      }
    });
    EXPECT_TRUE(typed);
    EXPECT_EQ(status, 0);
    return stillOpen;
  }

  std::string stdout_;
  std::string stderr_;
};

TEST_F(ProgramTest, FormCreateCentresTheWindowAndWritesTheFirstLineBeforeTheFirstShow) {
  framework::FinishStandardLines();
  testing::internal::CaptureStdout();
  app::TForm1 form;
  framework::FinishStandardLines();
  const std::string echoed = testing::internal::GetCapturedStdout();
  HWND__* const window = form.Window().Handle();
  const windowtest::Place place = windowtest::OuterPlace(window);

  EXPECT_FALSE(windowtest::IsVisible(window));
  EXPECT_EQ(place.left, app::CentredOffset(windowtest::DesktopWidth(), place.width));
  EXPECT_EQ(place.top, app::CentredOffset(windowtest::DesktopHeight(), place.height));
  EXPECT_EQ(Lines(echoed), std::vector<std::string>{">Switch on QLT-1"});
  form.Show(kShowNormal);
  EXPECT_TRUE(windowtest::IsVisible(window));
  EXPECT_EQ(windowtest::WindowText(form.Window().Log()), ">Switch on QLT-1\r\n") << "in the log as it appears";
  EXPECT_TRUE(form.Timer1().Enabled());
  EXPECT_FALSE(form.ProgramTimer().Enabled());
}

// The layout's ProgramTimer is switched off before its handler is bound: building the window asks
// the system for Timer1's period and for none on the ProgramTimer's behalf, so a system without
// timers to give fails whoever switches the ProgramTimer on, with the timer's message, and leaves
// it off, instead of failing the window's build.
TEST_F(ProgramTest, TheSwitchedOffProgramTimerTakesNoSystemTimerUntilItIsSwitchedOn) {
  windowtest::SystemTimers timers;
  app::TForm1 form;
  EXPECT_EQ(timers.Requests(250), 1) << "Timer1's period";
  EXPECT_EQ(timers.Requests(1000), 0) << "a timer's period asked for while the timer is being built";

  timers.RefuseAll();
  std::string message;
  try {
    form.ProgramTimer().SetEnabled(true);
  } catch (const framework::EOutOfResources& e) {
    message = e.Message();
  }
  EXPECT_EQ(message, "Not enough timers available");
  EXPECT_FALSE(form.ProgramTimer().Enabled());
  EXPECT_TRUE(form.Timer1().Enabled());
}

// Windows gives the launcher's show request to the program's first show of its window, whatever
// that asks for (modelled here: wine does not). Whatever the launcher asks, the window comes up as
// its rules say: maximised, or minimised without activation, as asked, anything else normally;
// never hidden, which would leave an invisible program holding the device's ports.
TEST_F(ProgramTest, TheWindowComesUpAsItsRulesSayWhateverTheLaunchersShowRequest) {
  using windowtest::ShownAs;
  struct Request {
    int showCommand;
    const char* name;
    ShownAs expected;
  };
  const Request requests[] = {{0, "SW_HIDE", ShownAs::Normal},
                              {2, "SW_SHOWMINIMIZED", ShownAs::Normal},
                              {3, "SW_SHOWMAXIMIZED", ShownAs::Maximised},
                              {4, "SW_SHOWNOACTIVATE", ShownAs::Normal},
                              {6, "SW_MINIMIZE", ShownAs::Normal},
                              {7, "SW_SHOWMINNOACTIVE", ShownAs::Minimised}};
  for (const Request& request : requests) {
    const windowtest::LaunchRequest launcher(request.showCommand);
    bool seen = false;
    ShownAs shown = ShownAs::Hidden;
    const int status = RunWith([&] {
      HWND__* const window = windowtest::MainWindow();
      if (seen || window == nullptr) return;
      seen = true;
      shown = windowtest::ShownAsOf(window);
      windowtest::PostClose(window);
    });
    EXPECT_EQ(status, 0) << request.name;
    EXPECT_TRUE(seen) << request.name;
    EXPECT_EQ(shown, request.expected) << "the launcher asked for " << request.name;
  }
}

// The input port of the layout cannot read the capabilities of the first MIDI port.
TEST_F(ProgramTest, AWindowThatCannotBeBuiltGivesTheApplicationErrorAndStatusOne) {
  Sim().AddInput("Keyboard");
  Faults().FailAlways(PlatformCall::midiInGetDevCapsA, MMSYSERR_ERROR);
  windowtest::Box seen;
  bool windowSeen = false;
  const int status = RunWith([&] {
    windowSeen = windowSeen || windowtest::VisibleMainWindow() != nullptr;
    const std::vector<windowtest::Box> boxes = windowtest::OpenBoxes();
    if (boxes.empty() || seen.handle != nullptr) return;
    seen = boxes.front();
    windowtest::PressOk(seen);
  });

  EXPECT_EQ(status, 1);
  EXPECT_EQ(seen.caption, "Application Error");
  EXPECT_EQ(seen.text, "EMidiInputError: An unspecified error occurred in the MIDI system.");
  EXPECT_TRUE(seen.errorIcon);
  EXPECT_TRUE(seen.okOnly);
  EXPECT_FALSE(windowSeen);
  EXPECT_EQ(stdout_, "") << "FormCreate never ran";
  EXPECT_EQ(Lines(stderr_), std::vector<std::string>{seen.text});
}

TEST_F(ProgramTest, AWholeUpdateThenWmCloseEndsWithStatusZeroAndThePortsClosed) {
  testsupport::SimulatedQlt1 device(Sim());
  std::string logAtTheEnd;
  const int status = RunWith([&] {
    HWND__* const window = windowtest::VisibleMainWindow();
    if (device.Finishes() != 1 || window == nullptr || !logAtTheEnd.empty()) return;
    const std::string log = windowtest::WindowText(windowtest::LogOf(window));
    if (log.find(">Finished") == std::string::npos) return;
    logAtTheEnd = log;
    windowtest::PostClose(window);
  });

  EXPECT_EQ(status, 0);
  EXPECT_EQ(Lines(stdout_), testsupport::SuccessfulUpdateLog());
  EXPECT_EQ(Lines(logAtTheEnd), testsupport::SuccessfulUpdateLog());
  EXPECT_EQ(device.BlocksReceived(), FlaggedBlocks());
  EXPECT_EQ(device.Faults(), std::vector<std::string>{});
  EXPECT_FALSE(Sim().IsOpen(device.ToolInput()));
  EXPECT_FALSE(Sim().IsOpen(device.ToolOutput()));
  EXPECT_EQ(stderr_, "");
  EXPECT_EQ(windowtest::VisibleMainWindow(), nullptr);
}

// Standard output a full pipe that nobody reads, as a console with a text selection in it holds
// its writers: the update and the window go on, the lines wait within the line writer's bound,
// and reach the pipe in order once it is read.
TEST_F(ProgramTest, AStandardOutputThatTakesNothingHoldsUpNeitherTheWindowNorTheUpdate) {
  testsupport::SimulatedQlt1 device(Sim());
  std::size_t mostQueued = 0;
  bool closed = false;
  framework::IntervalTimer stepper([&] {
    mostQueued = std::max(mostQueued, framework::StandardLineWriter().QueuedBytes());
    HWND__* const window = windowtest::VisibleMainWindow();
    if (closed || device.Finishes() != 1 || window == nullptr) return;
    closed = true;
    windowtest::PostClose(window);
  });
  stepper.Start(2);
  testsupport::UnreadStandardOutput unread(std::chrono::seconds(20));
  const int status = app::RunProgram();
  const bool waitedForThePipe = unread.ReadForcibly();
  const std::vector<std::string> lines = unread.ReadLines();

  EXPECT_FALSE(waitedForThePipe) << "the update went on only once the pipe was read";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(device.BlocksReceived(), FlaggedBlocks());
  EXPECT_GT(mostQueued, 0u) << "the lines waited for the pipe";
  EXPECT_LE(mostQueued, framework::kStandardLinesCapacity);
  EXPECT_EQ(lines, testsupport::SuccessfulUpdateLog());
}

// Ctrl+C on a console of the program's own closes it like its close box. On a console it shares
// with another process (the shell it was started from, whose next command the Ctrl+C is meant
// for) it changes nothing, and the update goes on.
TEST_F(ProgramTest, CtrlCClosesTheProgramOnlyOnAConsoleOfItsOwn) {
  const windowtest::OwnConsole console;
  EXPECT_FALSE(StillOpenAfterCtrlC(std::chrono::seconds(20))) << "alone on its console";

  const windowtest::ConsoleCompanion shell;
  EXPECT_TRUE(StillOpenAfterCtrlC(std::chrono::seconds(3))) << "on a console it shares";
}

// The device's input port cannot be opened: every discovery tick fails. One box shows it while
// the ticks go on behind it; WM_CLOSE to the window then ends the program, box and all.
TEST_F(ProgramTest, AFailingTickShowsOneBoxCaptionedWithTheTitleWhileTicksGoOnAndWmCloseEndsAll) {
  testsupport::SimulatedQlt1 device(Sim());
  Faults().FailAlways(PlatformCall::midiInOpen, MMSYSERR_ALLOCATED);
  windowtest::Box seen;
  std::size_t mostBoxes = 0;
  unsigned opensAtBox = 0;
  bool closed = false;
  const int status = RunWith([&] {
    const std::vector<windowtest::Box> boxes = windowtest::OpenBoxes();
    mostBoxes = std::max(mostBoxes, boxes.size());
    if (boxes.empty() || closed) return;
    seen = boxes.front();
    const unsigned opens = Faults().CallCount(PlatformCall::midiInOpen);
    if (opensAtBox == 0) opensAtBox = opens;
    if (opens < opensAtBox + 3) return;
    closed = true;
    windowtest::PostClose(windowtest::VisibleMainWindow());
  });

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(closed) << "discovery went on behind the box";
  EXPECT_EQ(mostBoxes, 1u);
  EXPECT_EQ(seen.text,
            "The MIDI device is already in use by another program. Close the other programs that use MIDI: the tool "
            "connects to the QLT-1 as soon as its port is free.");
  EXPECT_EQ(seen.caption, framework::TApplication::TitleOf("window_tests.exe"));
  EXPECT_TRUE(seen.errorIcon);
  EXPECT_TRUE(windowtest::OpenBoxes().empty());
  EXPECT_FALSE(Sim().IsOpen(device.ToolInput()));
  EXPECT_FALSE(Sim().IsOpen(device.ToolOutput()));
  EXPECT_EQ(Lines(stdout_), std::vector<std::string>{">Switch on QLT-1"});
}

TEST_F(ProgramTest, TheSessionsEndDuringAnUpdateClosesThePortsBeforeItReturnsAndEndsWithStatusZero) {
  testsupport::SimulatedQlt1 device(Sim());
  device.FallSilentAfter(3);
  bool ended = false;
  bool closedWhenHandled = false;
  const int status = RunWith([&] {
    if (ended || device.BlocksReceived().size() < 3) return;
    ended = true;
    windowtest::SendEndSession(windowtest::VisibleMainWindow());
    closedWhenHandled = !Sim().IsOpen(device.ToolInput()) && !Sim().IsOpen(device.ToolOutput());
  });

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(closedWhenHandled);
  EXPECT_LT(device.BlocksReceived().size(), FlaggedBlocks().size()) << "the remaining blocks stay unsent";
  EXPECT_EQ(device.Finishes(), 0);
  EXPECT_EQ(windowtest::VisibleMainWindow(), nullptr);
}

}  // namespace
