// A whole update with the simulated device on an emulation that behaves as real Windows does
// (WindowsBehaviour.h): under each behaviour that still lets an update complete, it completes,
// with the log of a successful update and every block received.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerUnderTest.h"
#include "tests/support/SimulatedQlt1.h"
#include "tests/support/SuccessfulUpdate.h"
#include "tests/support/WindowsPortNames.h"

namespace {

using namespace std::chrono_literals;

class WindowsUpdateTest : public testsupport::PortTestBase {
 protected:
  void Start() { programmer_->Start(); }

  // The update runs on the programmer's own timers until the device has taken the finish.
  void ExpectCompletes(testsupport::SimulatedQlt1& device) {
    ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return device.FinishCount() == 1; }, 60s));
    testsupport::ProcessEventsFor(100ms);
    EXPECT_EQ(programmer_.log, testsupport::SuccessfulUpdateLog());
    EXPECT_EQ(device.BlocksReceived(), testsupport::FlaggedBlocks());
    EXPECT_EQ(device.Faults(), std::vector<std::string>{});
  }

  testsupport::ProgrammerUnderTest programmer_;
};

TEST_F(WindowsUpdateTest, CompletesWithTheNamesAClassicDriverGivesASecondPort) {
  Sim().Switches().namesCutTo31Characters = true;
  testsupport::SimulatedQlt1 device(Sim());
  const std::string name = firmware::kDevicePortName;
  Sim().Rename(device.ToolInput(), testsupport::LegacyPortName(name, testsupport::PortDirection::Input, 2));
  Sim().Rename(device.ToolOutput(), testsupport::LegacyPortName(name, testsupport::PortDirection::Output, 2));
  Start();
  ExpectCompletes(device);
  EXPECT_TRUE(escaped_.empty());
}

TEST_F(WindowsUpdateTest, CompletesWhereResetsHandBackLate) {
  Sim().Switches().resetHandsBackAfter = 100ms;
  testsupport::SimulatedQlt1 device(Sim());
  Start();
  ExpectCompletes(device);
  EXPECT_TRUE(escaped_.empty());
}

// Another program holds both ports for a few discovery ticks, then lets them go.
TEST_F(WindowsUpdateTest, CompletesOnceAnotherProgramLetsThePortsGo) {
  testsupport::SimulatedQlt1 device(Sim());
  Sim().HoldByAnotherProgram(device.ToolInput(), true);
  Sim().HoldByAnotherProgram(device.ToolOutput(), true);
  Start();
  testsupport::ProcessEventsFor(700ms);
  EXPECT_EQ(programmer_.log, std::vector<std::string>{">Switch on QLT-1"}) << "not connected while held";
  Sim().HoldByAnotherProgram(device.ToolInput(), false);
  Sim().HoldByAnotherProgram(device.ToolOutput(), false);
  ExpectCompletes(device);
}

}  // namespace
