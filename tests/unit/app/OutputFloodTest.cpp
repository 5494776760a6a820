// A device that asks for more than the output carries: the output refuses as busy once it holds
// all it takes, the user hears of it once, and replies are then left unanswered (neither logged
// nor acted on) until the output has room for the conversation again.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/platform/OutputDevice.h"
#include "tests/support/ConnectedProgrammerTest.h"
#include "tests/support/EventLoop.h"

namespace {

using firmware::ConversationBytes;
using firmware::kBlockAckReply;
using firmware::kReadyReply;
using testing::ElementsAre;

constexpr unsigned kDeviceTakes = platform::OutputDevice::kMaxLongMessagesInFlight;
const std::string kBusy = "(Long Msg) The hardware is busy with other data.";

// The session over connected simulated ports whose output holds every long message until let go.
class OutputFloodTest : public testsupport::ConnectedProgrammerTest {
 protected:
  void SetUp() override {
    ConnectedProgrammerTest::SetUp();
    Sim().HoldOutput(toolOutput_, true);
  }

  void TearDown() override { Sim().HoldOutput(toolOutput_, false); }

  void Receive(BYTE kind, int times) {
    for (int i = 0; i < times; ++i) Sim().InjectSysex(toolInput_, ConversationBytes(kind));
    ASSERT_TRUE(Sim().WaitUntilDelivered(toolInput_));
    ASSERT_TRUE(testsupport::ProcessPendingEvents());
  }

  // The output lets everything go, and the window thread hears that each message is done.
  void LetTheOutputGo() {
    Sim().HoldOutput(toolOutput_, false);
    ASSERT_TRUE(testsupport::ProcessEventsUntil([this] { return Output().MessagesInFlight() == 0; }));
  }

  midi::TMidiOutput& Output() { return *programmer_->OutputPort(); }
  std::size_t Sent() { return Sim().Sent(toolOutput_).size(); }
};

TEST_F(OutputFloodTest, ReadyRepliesFasterThanTheOutputCarriesGetOneBoxAndNoAnswerWhileItIsFull) {
  Receive(kReadyReply, 3 * kDeviceTakes);
  EXPECT_EQ(escaped_, std::vector<std::string>{kBusy});
  EXPECT_EQ(Output().MessagesInFlight(), kDeviceTakes);
  EXPECT_EQ(programmer_.log.size(), 2 * (kDeviceTakes + 1))
      << "the replies answered, and the one whose answer was refused";

  LetTheOutputGo();
  EXPECT_EQ(Sent(), kDeviceTakes);
  programmer_.log.clear();
  Sim().ClearSent(toolOutput_);
  Sim().HoldOutput(toolOutput_, false);
  Receive(kReadyReply, 1);
  Receive(kBlockAckReply, 1);
  EXPECT_THAT(programmer_.log, ElementsAre(">Communications Established", ">Programming", ">Block 0"))
      << "a device restarted after the flood is answered";
  ASSERT_TRUE(testsupport::ProcessEventsUntil([this] { return Sent() == 2; }));
  EXPECT_EQ(escaped_.size(), 1u);
}

TEST_F(OutputFloodTest, AcknowledgementsFasterThanTheOutputCarriesMoveNoFurtherThanTheRefusedBlock) {
  Receive(kReadyReply, 1);
  Receive(kBlockAckReply, kDeviceTakes);
  ASSERT_EQ(escaped_, std::vector<std::string>{kBusy});
  const std::uint8_t refusedBlock = programmer_->Session().CurrentBlock();
  const std::vector<std::string> log = programmer_.log;

  Receive(kBlockAckReply, 3 * kDeviceTakes);
  EXPECT_EQ(programmer_->Session().CurrentBlock(), refusedBlock) << "no block passed over unsent";
  EXPECT_EQ(programmer_.log, log);
  EXPECT_EQ(escaped_.size(), 1u);
  EXPECT_EQ(Output().MessagesInFlight(), kDeviceTakes);
}

TEST_F(OutputFloodTest, ProbesToAnOutputThatStaysFullStopAfterOneBoxAndResumeWhenItEmpties) {
  for (unsigned tick = 0; tick < 3 * kDeviceTakes; ++tick) ASSERT_TRUE(testsupport::TickNow(programmer_->ProbeTimer()));
  EXPECT_EQ(escaped_, std::vector<std::string>{kBusy});
  EXPECT_EQ(Output().MessagesInFlight(), kDeviceTakes);

  LetTheOutputGo();
  ASSERT_TRUE(testsupport::TickNow(programmer_->ProbeTimer()));
  ASSERT_TRUE(testsupport::ProcessEventsUntil([this] { return Sent() == kDeviceTakes + 1; }));
  EXPECT_EQ(escaped_.size(), 1u);
}

// Without a refusal the output's room is not the session's to judge: what the device asks for
// goes out, however much is in flight.
TEST_F(OutputFloodTest, RepliesAreAnsweredWhileTheOutputTakesThem) {
  Receive(kReadyReply, 1);
  Receive(kBlockAckReply, kDeviceTakes - 1);
  EXPECT_TRUE(escaped_.empty());
  EXPECT_EQ(Output().MessagesInFlight(), kDeviceTakes);
  EXPECT_EQ(programmer_.log.size(), 2 + kDeviceTakes - 1);
}

}  // namespace
