// A whole update with the simulated device on an emulation that behaves as real Windows does
// (WindowsBehaviour.h): under each behaviour that still lets an update complete, it completes,
// with the log of a successful update and every block received; where it cannot, the box says
// what to do.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/ErrorText.h"
#include "tests/support/KeptOnPurpose.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerUnderTest.h"
#include "tests/support/SimulatedQlt1.h"
#include "tests/support/SuccessfulUpdate.h"
#include "tests/support/WindowsPortNames.h"

namespace {

using namespace std::chrono_literals;

const std::string kHeldPortAdvice =
    " Close the other programs that use MIDI: the tool connects to the QLT-1 as soon as its port is free.";
const std::string kRestartAdvice =
    " If the log has stopped, restart the update: close the tool, switch the QLT-1 off, start the tool, then switch "
    "the QLT-1 on.";

class WindowsUpdateTest : public testsupport::PortTestBase {
 protected:
  void Start() { programmer_->Start(); }

  // The update runs on the programmer's own timers until the device has taken the finish.
  void ExpectCompletes(testsupport::SimulatedQlt1& device) {
    ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return device.Finishes() == 1; }, 60s));
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

TEST_F(WindowsUpdateTest, CompletesWhereSystemExclusiveComesBackInPieces) {
  Sim().Switches().sysexPieceBytes = 6;
  testsupport::SimulatedQlt1 device(Sim());
  Start();
  ExpectCompletes(device);
  EXPECT_TRUE(escaped_.empty());
}

// Another program holds both ports for a few discovery ticks, each of which says to close it,
// then lets them go.
TEST_F(WindowsUpdateTest, CompletesOnceAnotherProgramLetsThePortsGo) {
  testsupport::SimulatedQlt1 device(Sim());
  Sim().HoldByAnotherProgram(device.ToolInput(), true);
  Sim().HoldByAnotherProgram(device.ToolOutput(), true);
  Start();
  testsupport::ProcessEventsFor(700ms);
  EXPECT_EQ(programmer_.log, std::vector<std::string>{">Switch on QLT-1"}) << "not connected while held";
  ASSERT_FALSE(escaped_.empty());
  const std::string held =
      framework::ErrorBoxText(programmer_->InputPort()->ErrorText(MMSYSERR_ALLOCATED)) + kHeldPortAdvice;
  EXPECT_EQ(escaped_, std::vector<std::string>(escaped_.size(), held));
  Sim().HoldByAnotherProgram(device.ToolInput(), false);
  Sim().HoldByAnotherProgram(device.ToolOutput(), false);
  ExpectCompletes(device);
}

// Switched off and on while the tool probes it: the tool's handles are dead, each probe says how
// to restart, and the device, back under new numbers, is not found by the running tool.
// The switched-off device keeps the input's lent buffers, so the port can never take them back.
TEST_F(WindowsUpdateTest, ADeviceSwitchedOffAndOnWhileProbedIsShownWithHowToRestart) {
  KEEPS_MEMORY_ON_PURPOSE;
  Sim().Switches().switchedOffSendBlocks = 20ms;
  testsupport::SimulatedQlt1 device(Sim(), {.readyAtProbe = 1000});
  Start();
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return device.Probes() >= 2; }, 10s));
  Sim().SwitchOffAndOn(device.ToolInput());
  Sim().SwitchOffAndOn(device.ToolOutput());
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return escaped_.size() >= 2; }, 10s));

  const std::string gone = framework::ErrorBoxText(programmer_->OutputPort()->ErrorText(
                               MMSYSERR_NODRIVER, midi::TMidiOutputContext::LongMessage)) +
                           kRestartAdvice;
  EXPECT_EQ(escaped_, std::vector<std::string>(escaped_.size(), gone));
  EXPECT_EQ(programmer_.log, (std::vector<std::string>{">Switch on QLT-1", ">USB Midi Connected"}));
  EXPECT_FALSE(programmer_->DiscoveryTimer().Enabled());
}

}  // namespace
