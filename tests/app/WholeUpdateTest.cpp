// A whole update in-process: discovery, probing, every block and the finish, against the small
// device model on the simulated transport, with the real timers of the window thread.
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "firmware/FirmwareImage.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerUnderTest.h"
#include "tests/support/SimulatedQlt1.h"
#include "tests/support/SuccessfulUpdate.h"

namespace {

class WholeUpdateTest : public testsupport::PortTestBase {
 protected:
  void SetUp() override { programmer_->Start(); }

  // Read from the table here, apart from the code that decides what to send.
  static std::vector<int> FlaggedBlocks() { return testsupport::FlaggedBlocks(); }
  static std::vector<std::string> SuccessfulLog() { return testsupport::SuccessfulUpdateLog(); }

  testsupport::ProgrammerUnderTest programmer_;
};

TEST_F(WholeUpdateTest, LeavesTheLogOfASuccessfulUpdateAndTheDeviceHoldsEveryBlock) {
  testsupport::SimulatedQlt1 device(Sim(), {.readyAtProbe = 3});
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return device.Finishes() == 1; }, std::chrono::seconds(60)));
  testsupport::ProcessEventsFor(std::chrono::milliseconds(100));

  EXPECT_EQ(programmer_.log, SuccessfulLog());
  EXPECT_EQ(device.Faults(), std::vector<std::string>{});
  EXPECT_EQ(device.BlocksReceived(), FlaggedBlocks());
  for (int block : FlaggedBlocks()) {
    const auto expected = firmware::BlockMessage(static_cast<std::uint8_t>(block));
    EXPECT_EQ(device.ReceivedBlock(block), std::vector<BYTE>(expected.begin(), expected.end())) << "block " << block;
  }
  EXPECT_EQ(device.Finishes(), 1);
  EXPECT_EQ(device.Probes(), 3);
  EXPECT_TRUE(escaped_.empty());
}

TEST_F(WholeUpdateTest, ADeviceSwitchedOnLaterIsFoundAndUpdated) {
  testsupport::ProcessEventsFor(std::chrono::milliseconds(600));
  EXPECT_EQ(programmer_.log, std::vector<std::string>{">Switch on QLT-1"}) << "nothing logged while waiting";
  testsupport::SimulatedQlt1 device(Sim());
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return device.Finishes() == 1; }, std::chrono::seconds(60)));
  testsupport::ProcessEventsFor(std::chrono::milliseconds(100));
  EXPECT_EQ(programmer_.log, SuccessfulLog());
}

}  // namespace
