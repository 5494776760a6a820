// What the hostile device sends around its replies: the flood before every reply, the huge System
// Exclusive message once, whole across its pieces, before the first block acknowledgement, and
// stray bytes around a reply that still arrives whole between its real-time bytes.
#include <gtest/gtest.h>

#include <algorithm>

#include "firmware/Conversation.h"
#include "tools/qlt1/Misbehaviour.h"

namespace {

using qlt1::Message;
using qlt1::Misbehaviour;

const Message kReady = firmware::ConversationBytes(firmware::kReadyReply);
const Message kAcknowledgement = firmware::ConversationBytes(firmware::kBlockAckReply);

std::vector<Message> Then(std::vector<Message> events, const Message& reply) {
  events.push_back(reply);
  return events;
}

TEST(Misbehaviour, FloodsBeforeEveryReplyButReadyWithTheChosenKind) {
  Misbehaviour notes({.floodPerReply = 4});
  const std::vector<Message> flood{{0x90, 0x3C, 0x40}, {0x80, 0x3C, 0x40}, {0x90, 0x3C, 0x40}, {0x80, 0x3C, 0x40}};
  EXPECT_EQ(notes.Around(kReady), std::vector<Message>{kReady}) << "a ReadyReply goes out at once";
  EXPECT_EQ(notes.Around(kAcknowledgement), Then(flood, kAcknowledgement));
  const Message error = firmware::ConversationBytes(firmware::kErrorReply);
  EXPECT_EQ(notes.Around(error), Then(flood, error));

  Misbehaviour clock({.floodPerReply = 2, .floodStatus = 0xF8});
  EXPECT_EQ(clock.Around(kAcknowledgement), (std::vector<Message>{{0xF8}, {0xF8}, kAcknowledgement}));
  EXPECT_EQ(Misbehaviour({}).Around(kAcknowledgement), std::vector<Message>{kAcknowledgement});
}

TEST(Misbehaviour, SendsTheGiantMessageOnceWholeInPiecesBeforeTheFirstAcknowledgement) {
  const std::size_t size = 10 * Misbehaviour::kGiantPiece + 3;
  Misbehaviour device({.giantSysex = size});
  EXPECT_EQ(device.Around(kReady), std::vector<Message>{kReady});

  std::vector<Message> events = device.Around(kAcknowledgement);
  ASSERT_EQ(events.size(), 12u);
  EXPECT_EQ(events.back(), kAcknowledgement);
  events.pop_back();
  Message joined;
  for (const Message& piece : events) {
    EXPECT_LE(piece.size(), Misbehaviour::kGiantPiece);
    joined.insert(joined.end(), piece.begin(), piece.end());
  }
  ASSERT_EQ(joined.size(), size);
  EXPECT_EQ(joined.front(), 0xF0);
  EXPECT_EQ(joined.back(), 0xF7);
  EXPECT_EQ(std::count(joined.begin(), joined.end(), 0x55), static_cast<std::ptrdiff_t>(size - 2));
  EXPECT_EQ(device.Around(kAcknowledgement), std::vector<Message>{kAcknowledgement});
}

// Before every reply, ReadyReply too: the message cut short comes first, and the reply is whole
// again once the real-time bytes are taken out of the last five events.
TEST(Misbehaviour, CutsAMessageShortAndSplitsTheReplyAroundRealTimeBytes) {
  Misbehaviour device({.cutShort = true, .garbage = true});
  for (const Message& reply : {kReady, kAcknowledgement, kAcknowledgement}) {
    const std::vector<Message> events = device.Around(reply);
    ASSERT_GT(events.size(), 6u);
    EXPECT_EQ(events.front(), (Message{0xF0, 0x7D, 0x01, 0x02, 0x03})) << "cut short, first";
    EXPECT_EQ(events[events.size() - 4], Message{0xF8});
    EXPECT_EQ(events[events.size() - 2], Message{0xFE});
    Message joined;
    for (std::size_t i = events.size() - 5; i < events.size(); i += 2)
      joined.insert(joined.end(), events[i].begin(), events[i].end());
    EXPECT_EQ(joined, reply);
    EXPECT_TRUE(std::none_of(events.begin(), events.end() - 5, [&](const Message& stray) { return stray == reply; }))
        << "no stray is the reply itself";
  }
}

}  // namespace
