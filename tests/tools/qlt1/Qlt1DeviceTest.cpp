// The device every transport carries: what one message comes to (the events in order, the block
// taken, the fault, readiness, a finish), a device that hangs mid-update, and a restart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "tools/qlt1/Qlt1Device.h"

namespace {

using qlt1::Message;
using testing::ElementsAre;

Message Block(int number) {
  const auto bytes = firmware::BlockMessage(static_cast<std::uint8_t>(number));
  return {bytes.begin(), bytes.end()};
}

const Message kReady = firmware::ConversationBytes(firmware::kReadyReply);
const Message kAck = firmware::ConversationBytes(firmware::kBlockAckReply);
const Message kProbe = firmware::ConversationBytes(firmware::kProbeRequest);

// An adapter as a transport's would be, without the transport.
class DeviceOnAList final : public qlt1::Qlt1Device {
 public:
  explicit DeviceOnAList(qlt1::Hostility hostility = {}) : Qlt1Device({}, hostility) {}
  using Qlt1Device::Answer;
  using Qlt1Device::Reboot;
};

TEST(Qlt1Device, SaysWhatEachMessageCameTo) {
  DeviceOnAList device({.floodPerReply = 1, .floodStatus = 0xF8});
  const auto ready = device.Answer(kProbe);
  EXPECT_THAT(ready.events, ElementsAre(kReady));
  EXPECT_TRUE(ready.ready);
  EXPECT_FALSE(ready.block.has_value());

  const auto block = device.Answer(Block(0));
  EXPECT_THAT(block.events, ElementsAre(Message{0xF8}, kAck)) << "the misbehaviour, then the reply";
  EXPECT_EQ(block.block, 0);
  EXPECT_FALSE(block.ready);

  const auto wrong = device.Answer(Block(0));
  EXPECT_FALSE(wrong.block.has_value());
  EXPECT_EQ(wrong.fault, device.Faults().back());

  EXPECT_TRUE(device.Answer(firmware::ConversationBytes(firmware::kFinishRequest)).finished);
  EXPECT_EQ(device.Finishes(), 1);
  EXPECT_EQ(device.BadImages(), 1);
}

TEST(Qlt1Device, FallsSilentFromTheChosenBlockOnAndComesBackAtARestart) {
  DeviceOnAList device;
  device.Answer(kProbe);
  device.FallSilentAfter(2);
  EXPECT_THAT(device.Answer(Block(0)).events, ElementsAre(kAck));
  const auto second = device.Answer(Block(9));
  EXPECT_TRUE(second.events.empty()) << "the second block is taken but not acknowledged";
  EXPECT_EQ(second.block, 9);
  EXPECT_TRUE(device.Answer(kProbe).events.empty());

  const auto restart = device.Reboot();
  EXPECT_THAT(restart.events, ElementsAre(kReady));
  EXPECT_TRUE(restart.ready);
  EXPECT_THAT(device.Answer(Block(0)).events, ElementsAre(kAck)) << "nothing received since the restart";
  EXPECT_THAT(device.BlocksReceived(), ElementsAre(0));
}

}  // namespace
