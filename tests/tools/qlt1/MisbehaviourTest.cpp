// What the hostile emulator sends around its replies: the flood before every reply, and the huge
// System Exclusive message once, whole across its pieces, before the first block acknowledgement.
#include <gtest/gtest.h>

#include <algorithm>

#include "firmware/Conversation.h"
#include "tools/qlt1/Misbehaviour.h"

namespace {

using qlt1::Message;
using qlt1::Misbehaviour;

const Message kReady = firmware::ConversationBytes(firmware::kReadyReply);
const Message kAcknowledgement = firmware::ConversationBytes(firmware::kBlockAckReply);

TEST(Misbehaviour, FloodsBeforeEveryReplyButReadyWithTheChosenKind) {
  Misbehaviour notes({.floodPerReply = 4});
  const std::vector<Message> expected{{0x90, 0x3C, 0x40}, {0x80, 0x3C, 0x40}, {0x90, 0x3C, 0x40}, {0x80, 0x3C, 0x40}};
  EXPECT_TRUE(notes.Before(kReady).empty()) << "a ReadyReply goes out at once";
  EXPECT_EQ(notes.Before(kAcknowledgement), expected);
  EXPECT_EQ(notes.Before(firmware::ConversationBytes(firmware::kErrorReply)), expected);

  Misbehaviour clock({.floodPerReply = 2, .floodStatus = 0xF8});
  EXPECT_EQ(clock.Before(kAcknowledgement), (std::vector<Message>{{0xF8}, {0xF8}}));
  EXPECT_TRUE(Misbehaviour({}).Before(kAcknowledgement).empty());
}

TEST(Misbehaviour, SendsTheGiantMessageOnceWholeInPiecesBeforeTheFirstAcknowledgement) {
  const std::size_t size = 10 * Misbehaviour::kGiantPiece + 3;
  Misbehaviour device({.giantSysex = size});
  EXPECT_TRUE(device.Before(kReady).empty());

  const std::vector<Message> pieces = device.Before(kAcknowledgement);
  ASSERT_EQ(pieces.size(), 11u);
  Message joined;
  for (const Message& piece : pieces) {
    EXPECT_LE(piece.size(), Misbehaviour::kGiantPiece);
    joined.insert(joined.end(), piece.begin(), piece.end());
  }
  ASSERT_EQ(joined.size(), size);
  EXPECT_EQ(joined.front(), 0xF0);
  EXPECT_EQ(joined.back(), 0xF7);
  EXPECT_EQ(std::count(joined.begin(), joined.end(), 0x55), static_cast<std::ptrdiff_t>(size - 2));
  EXPECT_TRUE(device.Before(kAcknowledgement).empty());
}

}  // namespace
