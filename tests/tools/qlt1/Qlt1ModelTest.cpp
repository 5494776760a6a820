// The device's side of the conversation: when it is ready, which blocks it takes, what it answers
// to a bad block, and the image it keeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "tools/qlt1/Qlt1Model.h"

namespace {

using firmware::ConversationBytes;
using qlt1::Message;
using qlt1::Qlt1Model;
using testing::ElementsAre;

Message Block(int number) {
  const auto bytes = firmware::BlockMessage(static_cast<std::uint8_t>(number));
  return {bytes.begin(), bytes.end()};
}

const Message kReady = firmware::ConversationBytes(firmware::kReadyReply);
const Message kAck = firmware::ConversationBytes(firmware::kBlockAckReply);
const Message kError = firmware::ConversationBytes(firmware::kErrorReply);
const Message kProbe = firmware::ConversationBytes(firmware::kProbeRequest);

TEST(Qlt1Model, AnswersReadyFromTheChosenProbeOn) {
  Qlt1Model model(firmware::FirmwareImage(), {.readyAtProbe = 3});
  EXPECT_TRUE(model.Receive(kProbe).empty());
  EXPECT_TRUE(model.Receive(kProbe).empty());
  EXPECT_THAT(model.Receive(kProbe), ElementsAre(kReady));
  EXPECT_THAT(model.Receive(kProbe), ElementsAre(kReady));
  EXPECT_EQ(model.Probes(), 4);
}

TEST(Qlt1Model, TakesTheFlaggedBlocksInOrderAndKeepsThem) {
  Qlt1Model model(firmware::FirmwareImage(), {});
  model.Receive(kProbe);
  EXPECT_THAT(model.Receive(Block(0)), ElementsAre(kAck));
  EXPECT_THAT(model.Receive(Block(9)), ElementsAre(kAck));
  EXPECT_THAT(model.BlocksReceived(), ElementsAre(0, 9));
  EXPECT_EQ(model.Received().BlockFlags[9], 1u);
  EXPECT_EQ(model.Received().BlockFlags[1], 0u);
  EXPECT_EQ(model.Received().BlockData[9 * firmware::kBlockLength + 8], 9u);
  EXPECT_TRUE(model.Faults().empty());
}

TEST(Qlt1Model, RefusesABlockThatIsNotDueOrNotWhole) {
  Qlt1Model model(firmware::FirmwareImage(), {});
  EXPECT_THAT(model.Receive(Block(0)), ElementsAre(kError)) << "not ready yet";
  model.Receive(kProbe);
  EXPECT_THAT(model.Receive(Block(9)), ElementsAre(kError)) << "block 0 is due";
  Message cut = Block(0);
  cut.erase(cut.begin() + 100);
  EXPECT_THAT(model.Receive(cut), ElementsAre(kError));
  Message withStatus = Block(0);
  withStatus[500] = 0x90;
  EXPECT_THAT(model.Receive(withStatus), ElementsAre(kError));
  EXPECT_EQ(model.Faults().size(), 4u);
  EXPECT_TRUE(model.BlocksReceived().empty());
  EXPECT_THAT(model.Receive(Block(0)), ElementsAre(kAck)) << "the due block is still taken";
}

TEST(Qlt1Model, SendsAnErrorBeforeEveryNthAcknowledgement) {
  Qlt1Model model(firmware::FirmwareImage(), {.readyAtProbe = 1, .errorEvery = 2});
  model.Receive(kProbe);
  EXPECT_THAT(model.Receive(Block(0)), ElementsAre(kAck));
  EXPECT_THAT(model.Receive(Block(9)), ElementsAre(kError, kAck));
  EXPECT_THAT(model.Receive(Block(10)), ElementsAre(kAck));
}

std::vector<int> DueBlocks() {
  std::vector<int> blocks{0};
  for (int block = 1; block < static_cast<int>(firmware::kBlockCount); ++block)
    if (firmware::FirmwareImage().BlockFlags[block] == 1) blocks.push_back(block);
  return blocks;
}

TEST(Qlt1Model, VerifiesTheImageOnlyWhenEveryDueBlockArrivedIntact) {
  const std::vector<int> due = DueBlocks();
  Qlt1Model model(firmware::FirmwareImage(), {});
  model.Receive(kProbe);
  for (int block : due) {
    EXPECT_FALSE(model.ImageVerified()) << "before block " << block;
    model.Receive(Block(block));
  }
  EXPECT_TRUE(model.ImageVerified());

  Qlt1Model other(firmware::FirmwareImage(), {});
  other.Receive(kProbe);
  for (int block : due) {
    Message message = Block(block);
    if (block == due[due.size() / 2]) message[1000] ^= 0x01;
    other.Receive(message);
  }
  EXPECT_FALSE(other.ImageVerified()) << "one byte of one block differs";
}

// A restart mid-update: the blocks so far are forgotten and block 0 is due again; what went wrong
// before it, and each finish with whether its image was whole, is still counted.
TEST(Qlt1Model, ForgetsTheUpdateAtARestartButKeepsItsCounts) {
  const std::vector<int> due = DueBlocks();
  Qlt1Model model(firmware::FirmwareImage(), {});
  model.Receive(kProbe);
  model.Receive(Block(0));
  model.Receive(Block(0));
  model.Receive(firmware::ConversationBytes(firmware::kFinishRequest));
  EXPECT_EQ(model.BadImages(), 1);

  EXPECT_THAT(model.Restart(), ElementsAre(kReady));
  EXPECT_TRUE(model.BlocksReceived().empty());
  EXPECT_EQ(model.Received().BlockFlags[0], 0u);
  EXPECT_EQ(model.Faults().size(), 1u) << "the block sent twice";
  for (int block : due) EXPECT_THAT(model.Receive(Block(block)), ElementsAre(kAck)) << "block " << block;
  model.Receive(firmware::ConversationBytes(firmware::kFinishRequest));
  EXPECT_EQ(model.Finishes(), 2);
  EXPECT_EQ(model.BadImages(), 1);
  EXPECT_THAT(Qlt1Model(firmware::FirmwareImage(), {.readyAtProbe = 0}).Restart(), ElementsAre())
      << "a device never ready stays silent";
}

TEST(Qlt1Model, CountsFinishesAndNamesForeignMessages) {
  Qlt1Model model(firmware::FirmwareImage(), {});
  EXPECT_TRUE(model.Receive(firmware::ConversationBytes(firmware::kFinishRequest)).empty());
  EXPECT_EQ(model.Finishes(), 1);
  EXPECT_TRUE(model.Receive(Message{0x90, 0x3C, 0x64}).empty());
  EXPECT_TRUE(model.Receive(firmware::ConversationBytes(0x07)).empty());
  EXPECT_EQ(model.Faults().size(), 2u);
}

}  // namespace
