// SendBlock on the simulated platform: one long message of exactly the block's bytes, and the
// output port's refusals passing through untouched.
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/FirmwareImage.h"
#include "firmware/SendBlock.h"
#include "tests/support/PortTestBase.h"

namespace {

class SendBlockTest : public testsupport::PortTestBase {
 protected:
  void SetUp() override { device_ = Sim().AddOutput("Out"); }

  static std::vector<BYTE> Message(std::uint8_t block) {
    const auto message = firmware::BlockMessage(block);
    return {message.begin(), message.end()};
  }

  platform::SimulatedTransport::DeviceId device_{};
  midi::TMidiOutput port_{&owner_};
};

TEST_F(SendBlockTest, EachBlockGoesOutOnceAsExactlyItsMessage) {
  ASSERT_TRUE(port_.Open());
  firmware::SendBlock(port_, 0);
  firmware::SendBlock(port_, 87);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return port_.MessagesInFlight() == 0; })) << "both reported done";
  EXPECT_TRUE(testsupport::ProcessPendingEvents());
  const auto sent = Sim().Sent(device_);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].bytes.size(), firmware::kBlockLength);
  EXPECT_EQ(sent[0].bytes, Message(0));
  EXPECT_EQ(sent[1].bytes, Message(87));
}

TEST_F(SendBlockTest, TheOutputPortsRefusalsPassThroughAndNothingIsSent) {
  EXPECT_EQ(RaisedBy([&] { firmware::SendBlock(port_, 0); }), "(Long Msg) Device not opened.");
  ASSERT_TRUE(port_.Open());
  Faults().FailNext(platform::PlatformCall::midiOutLongMsg, MIDIERR_NOTREADY);
  EXPECT_THROW(firmware::SendBlock(port_, 9), midi::EMidiOutputError);
  Faults().FailNext(platform::PlatformCall::midiOutLongMsg, MIDIERR_NOTREADY);
  EXPECT_EQ(RaisedBy([&] { firmware::SendBlock(port_, 9); }), "(Long Msg) The hardware is busy with other data.");
  EXPECT_EQ(port_.MessagesInFlight(), 0u);
  EXPECT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_TRUE(Sim().Sent(device_).empty());
}

}  // namespace
