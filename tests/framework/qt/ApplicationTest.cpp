// The application object as the exception hook: its error boxes (posted, one at a time, with
// everything going on behind them), its standard error lines, and the end of the program.
#include "framework/Application.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/ErrorText.h"
#include "framework/Exception.h"
#include "framework/ExceptionGuard.h"
#include "framework/MessageWindow.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"
#include "tests/support/EventLoop.h"
#include "tests/support/qt/BoxWatcher.h"
#include "tests/support/qt/OutputLines.h"

namespace {

using guitest::BoxWatcher;
using guitest::OpenBoxes;
using guitest::ProgramLines;

void Fail(const std::string& message) {
  framework::RunGuarded([&] { throw framework::Exception(message); });
}

class ApplicationTest : public testing::Test {
 protected:
  ApplicationTest() { guitest::CaptureStderr(); }
  ~ApplicationTest() override {
    guitest::CapturedStderr();
    EXPECT_TRUE(testsupport::ProcessPendingEvents());
  }

  // What the program wrote to standard error since the last look.
  static std::vector<std::string> ErrorLines() {
    const std::string text = guitest::CapturedStderr();
    guitest::CaptureStderr();
    return ProgramLines(text);
  }

  framework::TApplication application_;
};

TEST_F(ApplicationTest, TitleIsMadeFromTheProgramFileAndNamesTheProgramToTheWindowSystem) {
  const std::string file = QCoreApplication::applicationFilePath().toStdString();
  EXPECT_EQ(application_.Title(), framework::TApplication::TitleOf(file));
  EXPECT_EQ(QCoreApplication::applicationName().toStdString(), application_.Title());
}

TEST_F(ApplicationTest, TheBoxOpensOnlyAfterTheFailingHandlerHasReturned) {
  bool handlerReturned = false;
  bool returnedWhenOpen = false;
  guitest::SeenBox seen;
  bool closed = false;
  const BoxWatcher watcher([&](const std::vector<QMessageBox*>& boxes) {
    if (boxes.empty() || closed) return;
    returnedWhenOpen = handlerReturned;
    seen = guitest::Describe(*boxes.front());
    guitest::PressOk(*boxes.front());
    closed = true;
  });

  Fail("Invalid device ID");
  handlerReturned = true;
  EXPECT_TRUE(OpenBoxes().empty());
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return closed; }));

  EXPECT_TRUE(returnedWhenOpen);
  EXPECT_EQ(seen.caption, application_.Title());
  EXPECT_EQ(seen.text, "Invalid device ID.");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttons, QMessageBox::Ok);
  EXPECT_EQ(seen.buttonCount, 1);
  EXPECT_EQ(ErrorLines(), std::vector<std::string>{"Invalid device ID."});
}

// A handler that fails on every tick: one box, the ticks going on behind it, each failure on
// standard error; once the box is closed the next failure gets a box again.
TEST_F(ApplicationTest, OneBoxAtATimeWhileTheTicksGoOn) {
  framework::TTimer failing(nullptr);
  failing.SetInterval(5);
  int ticks = 0;
  failing.SetOnTimer(framework::TNotifyEvent(&failing, [&](framework::TObject*) {
    ++ticks;
    throw midi::EMidiInputError("The MIDI device is already in use by another program.");
  }));
  int ticksAtOpen = -1;
  std::size_t mostBoxes = 0;
  int boxesClosed = 0;
  const BoxWatcher watcher([&](const std::vector<QMessageBox*>& boxes) {
    mostBoxes = std::max(mostBoxes, boxes.size());
    if (boxes.empty()) return;
    if (ticksAtOpen < 0) ticksAtOpen = ticks;
    if (ticks < ticksAtOpen + 10) return;
    guitest::PressOk(*boxes.front());
    ++boxesClosed;
    ticksAtOpen = -1;
  });

  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return boxesClosed == 2; }));
  EXPECT_TRUE(failing.Enabled());
  failing.SetEnabled(false);
  const int failures = ticks;

  EXPECT_EQ(mostBoxes, 1u);
  const std::vector<std::string> lines = ErrorLines();
  EXPECT_EQ(static_cast<int>(lines.size()), failures) << "every failure reaches standard error";
  EXPECT_EQ(lines.front(), "The MIDI device is already in use by another program.");
}

// A message window's delivery that fails must not hold up the deliveries after it: they reach
// their handler while the box is open.
TEST_F(ApplicationTest, MessageDeliveriesGoOnBehindTheOpenBox) {
  constexpr std::uint32_t kFailing = framework::kFirstUserMessage + 1;
  constexpr std::uint32_t kCounted = framework::kFirstUserMessage + 2;
  int counted = 0;
  const framework::HWND window = framework::AllocateHWnd([&](framework::TMessage& message) {
    if (message.Msg == kFailing) throw midi::EMidiInputError("Invalid device ID");
    ++counted;
  });
  bool posted = false;
  bool deliveredWhileOpen = false;
  const BoxWatcher watcher([&](const std::vector<QMessageBox*>& boxes) {
    if (boxes.empty()) return;
    if (!posted) {
      for (int i = 0; i < 3; ++i) framework::PostMessageA(window, kCounted, 0, 0);
      posted = true;
    }
    if (counted < 3) return;
    deliveredWhileOpen = true;
    guitest::PressOk(*boxes.front());
  });

  framework::PostMessageA(window, kFailing, 0, 0);
  const bool done = testsupport::ProcessEventsUntil([&] { return deliveredWhileOpen; });
  framework::DeallocateHWnd(window);
  EXPECT_TRUE(done);
}

TEST_F(ApplicationTest, TerminateClosesTheOpenBoxAndNoFurtherOneOpens) {
  bool terminated = false;
  const BoxWatcher watcher([&](const std::vector<QMessageBox*>& boxes) {
    if (boxes.empty() || terminated) return;
    Fail("second");
    application_.Terminate();
    terminated = true;
  });
  Fail("first");
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return terminated && OpenBoxes().empty(); }));
  Fail("third");
  EXPECT_TRUE(testsupport::ProcessPendingEvents());

  EXPECT_TRUE(OpenBoxes().empty());
  EXPECT_EQ(ErrorLines(), (std::vector<std::string>{"first.", "second.", "third."}));
}

TEST(ApplicationHook, IsTheApplicationWhileItLivesAndThePreviousOneAfterwards) {
  std::vector<std::string> seen;
  const framework::ExceptionHook previous =
      framework::SetExceptionHook([&](std::exception_ptr error) { seen.push_back(framework::MessageOf(error)); });
  {
    framework::TApplication application;
    application.Terminate();
    guitest::CaptureStderr();
    Fail("while it lives");
    EXPECT_EQ(guitest::CapturedStderr(), "while it lives.\n");
  }
  Fail("afterwards");
  framework::SetExceptionHook(previous);
  EXPECT_EQ(seen, std::vector<std::string>{"afterwards"});
}

}  // namespace
