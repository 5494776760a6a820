// The log while a conversation runs: putting lines into the control takes the window thread for a
// long while where the system is slow, and a reply that comes meanwhile waits, so lines written
// one after another wait for a quiet spell; but never longer than a second, and every line goes
// in, in order.
#include "app/PacedLog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/win32/LogView.h"
#include "framework/win32/Utf.h"
#include "tests/app/win32/Desktop.h"

namespace {

using windowtest::HandlePendingMessages;
using windowtest::WindowText;
using Clock = std::chrono::steady_clock;

class PacedLogTest : public testing::Test {
 protected:
  void TearDown() override { ::DestroyWindow(log_); }

  // Writes a line every few milliseconds for `span`, handling the thread's messages in between as
  // the window thread does between replies. Returns how often the control's text changed, and
  // when it first did.
  int WriteSteadily(std::chrono::milliseconds span, Clock::time_point& firstChange) {
    const auto start = Clock::now();
    std::string shown = WindowText(log_);
    int changes = 0;
    while (Clock::now() - start < span) {
      const std::string line = ">Block " + std::to_string(written_++);
      paced_.Write(line);
      expected_ += line + "\r\n";
      HandlePendingMessages();
      if (WindowText(log_) != shown) {
        if (changes++ == 0) firstChange = Clock::now();
        shown = WindowText(log_);
      }
      ::Sleep(5);
    }
    return changes;
  }

  HWND log_ = ::CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0,
                                300, 200, nullptr, nullptr, nullptr, nullptr);
  app::PacedLog paced_{[this](const std::string& lines) { app::AppendLogLine(log_, framework::WideFromUtf8(lines)); }};
  int written_ = 0;
  std::string expected_;
};

TEST_F(PacedLogTest, LinesWrittenOneAfterAnotherGoInTogetherOnceTheyStop) {
  ASSERT_NE(log_, nullptr);
  Clock::time_point firstChange;
  // Every twentieth of a second, as before, would be several times; a stall of this thread on a
  // loaded machine is a quiet spell too.
  EXPECT_LE(WriteSteadily(std::chrono::milliseconds(900), firstChange), 2);
  const auto stopped = Clock::now();
  while (WindowText(log_) != expected_ && Clock::now() - stopped < std::chrono::seconds(2)) {
    HandlePendingMessages();
    ::Sleep(1);
  }
  EXPECT_EQ(WindowText(log_), expected_) << "every line, in order, once the writing stops";
}

TEST_F(PacedLogTest, LinesThatKeepComingStillGoInWithinASecond) {
  ASSERT_NE(log_, nullptr);
  const auto start = Clock::now();
  Clock::time_point firstChange;
  ASSERT_GE(WriteSteadily(std::chrono::milliseconds(1800), firstChange), 1);
  // A second, and what a loaded machine under wine adds to a timer.
  EXPECT_LT(firstChange - start, std::chrono::milliseconds(1400));
  paced_.Flush();
  EXPECT_EQ(WindowText(log_), expected_);
}

}  // namespace
