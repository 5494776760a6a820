// The log's echo to standard output, which waits on the way from a reply to the next block: every
// line still reaches standard output in order while the program runs, once the window thread is
// idle, not only when the program ends.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/win32/Program.h"
#include "framework/IntervalTimer.h"
#include "framework/StandardLines.h"
#include "tests/app/win32/Desktop.h"
#include "tests/support/SimulatedPlatform.h"
#include "tests/support/SimulatedQlt1.h"
#include "tests/support/SuccessfulUpdate.h"

namespace {

using namespace std::chrono_literals;

class EchoTest : public testsupport::SimulatedPlatformTest {};

TEST_F(EchoTest, TheUpdatesLinesReachStandardOutputInOrderWhileTheWindowIsStillOpen) {
  testsupport::SimulatedQlt1 device(Sim());
  std::optional<std::chrono::steady_clock::time_point> finishedAt;
  bool echoedWhileOpen = false;
  bool closed = false;
  framework::IntervalTimer stepper([&] {
    HWND__* const window = windowtest::VisibleMainWindow();
    if (closed || window == nullptr || device.Finishes() != 1) return;
    if (!finishedAt) finishedAt = std::chrono::steady_clock::now();
    echoedWhileOpen = framework::StandardLineWriter().QueuedBytes() == 0;
    if (!echoedWhileOpen && std::chrono::steady_clock::now() - *finishedAt < 5s) return;
    closed = true;
    windowtest::PostClose(window);
  });
  stepper.Start(2);
  framework::FinishStandardLines();
  testing::internal::CaptureStdout();
  const int status = app::RunProgram();
  std::istringstream output(testing::internal::GetCapturedStdout());
  std::vector<std::string> lines;
  for (std::string line; std::getline(output, line);) lines.push_back(line.substr(0, line.find('\r')));

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(echoedWhileOpen) << "the lines waited for the program's end";
  EXPECT_EQ(lines, testsupport::SuccessfulUpdateLog());
}

}  // namespace
