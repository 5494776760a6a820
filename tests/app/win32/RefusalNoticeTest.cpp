// Where the Windows program says why it refuses its command line: on standard error when that
// reaches anyone (a console, a file, a pipe), and otherwise, as for a program started from a
// shortcut, "Open with" or a file dropped on it, in its error box, which it waits on.
#include "app/win32/RefusalNotice.h"

#include <gtest/gtest.h>
#include <io.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/IntervalTimer.h"
#include "tests/app/win32/Desktop.h"

namespace {

const std::string kRefusal =
    "bass-firmware: unknown argument 'C:\\Users\\me\\firmware.syx'\nTry 'bass-firmware --help' for more "
    "information.\n";

// Runs `action` while a timer looks for boxes every few milliseconds, from inside whichever
// modal loop runs, and presses OK on the first it sees; gives the boxes seen.
template <typename Action>
std::vector<windowtest::Box> BoxesDuring(Action&& action) {
  std::vector<windowtest::Box> seen;
  framework::IntervalTimer stepper([&seen] {
    const std::vector<windowtest::Box> boxes = windowtest::OpenBoxes();
    if (boxes.empty()) return;
    seen.insert(seen.end(), boxes.begin(), boxes.end());
    windowtest::PressOk(boxes.front());
  });
  stepper.Start(2);
  action();
  return seen;
}

TEST(RefusalNotice, WithStandardErrorConnectedTheTextGoesThereAndNoBoxOpens) {
  ASSERT_TRUE(app::StandardErrorIsConnected()) << "the suite runs with its standard error redirected";
  testing::internal::CaptureStderr();
  const std::vector<windowtest::Box> boxes = BoxesDuring([] { app::ExplainRefusal(kRefusal); });
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kRefusal);
  EXPECT_TRUE(boxes.empty());
}

// Standard error is taken away, as a program without a console and without a redirection has
// none, and given back afterwards.
TEST(RefusalNotice, WithoutStandardErrorTheTextIsShownInTheErrorBoxUntilItIsClosed) {
  std::fflush(stderr);
  const int kept = _dup(_fileno(stderr));
  ASSERT_GE(kept, 0);
  _close(_fileno(stderr));
  const bool connected = app::StandardErrorIsConnected();
  const std::vector<windowtest::Box> boxes = BoxesDuring([] { app::ExplainRefusal(kRefusal); });
  const bool stillOpen = !windowtest::OpenBoxes().empty();
  _dup2(kept, _fileno(stderr));
  _close(kept);

  EXPECT_FALSE(connected);
  ASSERT_FALSE(boxes.empty()) << "the refusal was not shown";
  EXPECT_EQ(boxes.front().text, kRefusal.substr(0, kRefusal.size() - 1)) << "the same text, without its line end";
  EXPECT_EQ(boxes.front().caption, framework::TApplication::TitleOf("window_tests.exe"));
  EXPECT_TRUE(boxes.front().errorIcon);
  EXPECT_TRUE(boxes.front().okOnly);
  EXPECT_FALSE(stillOpen) << "ExplainRefusal returned before the box was closed";
}

}  // namespace
