// What an input port received, taken apart as it was on the wire. RtMidi joins a System
// Exclusive message up to its end byte, so one cut short arrives glued to everything after it,
// and a real-time byte sent in its middle arrives inside it; JACK may carry one message in
// several events. Either way the reply after such a message must not be lost.
#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/platform/WireSplitter.h"
#include "tests/support/RecordingSink.h"

namespace {

using testsupport::Received;
using testsupport::Short;
using testsupport::Sysex;

using firmware::ConversationBytes;

// Each piece fed as it came; `joined` feeds them as one, as RtMidi hands them over.
std::vector<Received> Feed(std::vector<std::vector<BYTE>> pieces, bool joined = true) {
  testsupport::RecordingSink sink;
  platform::WireSplitter splitter(sink);
  if (joined) {
    std::vector<BYTE> all;
    for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    splitter.Feed(all);
  } else {
    for (const auto& piece : pieces) splitter.Feed(piece);
  }
  return sink.Messages();
}

TEST(WireSplitter, WholeMessagesPassUnchanged) {
  EXPECT_EQ(Feed({{0x90, 0x3C, 0x40}}), std::vector{Short(0x403C90)});
  EXPECT_EQ(Feed({{0xF8}}), std::vector{Short(0xF8)});
  EXPECT_EQ(Feed({ConversationBytes(firmware::kBlockAckReply)}),
            std::vector{Sysex(ConversationBytes(firmware::kBlockAckReply))});
  EXPECT_EQ(
      Feed({ConversationBytes(firmware::kBlockAckReply), {0x90, 0x3C, 0x40}, ConversationBytes(firmware::kReadyReply)},
           false),
      (std::vector{Sysex(ConversationBytes(firmware::kBlockAckReply)), Short(0x403C90),
                   Sysex(ConversationBytes(firmware::kReadyReply))}));
}

TEST(WireSplitter, AMessageCutShortEndsAtTheNextStatusByteAndTheReplyAfterItStaysWhole) {
  for (const bool joined : {true, false}) {
    EXPECT_EQ(Feed({{0xF0, 0x01, 0x02, 0x03}, ConversationBytes(firmware::kBlockAckReply)}, joined),
              (std::vector{Sysex({0xF0, 0x01, 0x02, 0x03}), Sysex(ConversationBytes(firmware::kBlockAckReply))}));
    EXPECT_EQ(Feed({{0xF0, 0x01}, {0x90, 0x3C, 0x40}, ConversationBytes(firmware::kReadyReply)}, joined),
              (std::vector{Sysex({0xF0, 0x01}), Short(0x403C90), Sysex(ConversationBytes(firmware::kReadyReply))}));
    EXPECT_EQ(Feed({{0xF0}, {0xF0}, ConversationBytes(firmware::kErrorReply)}, joined),
              (std::vector{Sysex({0xF0}), Sysex({0xF0}), Sysex(ConversationBytes(firmware::kErrorReply))}));
  }
}

TEST(WireSplitter, RealTimeBytesInsideAMessageComeFirstAndOnTheirOwn) {
  const std::vector<BYTE> reply = ConversationBytes(firmware::kBlockAckReply);
  for (const bool joined : {true, false}) {
    EXPECT_EQ(Feed({{reply.begin(), reply.begin() + 3}, {0xF8}, {0xFE}, {reply.begin() + 3, reply.end()}}, joined),
              (std::vector{Short(0xF8), Short(0xFE), Sysex(reply)}));
  }
}

TEST(WireSplitter, AMessageGoesOnInTheNextPieceUntilItsEnd) {
  const std::vector<BYTE> reply = ConversationBytes(firmware::kReadyReply);
  EXPECT_EQ(Feed({{reply.begin(), reply.begin() + 1},
                  {reply.begin() + 1, reply.begin() + 5},
                  {reply.begin() + 5, reply.end()}},
                 false),
            std::vector{Sysex(reply)});
  EXPECT_TRUE(Feed({{0xF0, 0x01, 0x02}}).empty()) << "a message without its end is not over yet";
}

TEST(WireSplitter, StrayBytesBecomeNoReply) {
  EXPECT_EQ(Feed({{0xF7}}), std::vector{Short(0xF7)});
  EXPECT_EQ(Feed({{0x12, 0x13}}), std::vector{Short(0x1312)});
  EXPECT_TRUE(Feed({{0x12, 0x13, 0x14, 0x15}}).empty()) << "a run of data bytes is no message";
}

}  // namespace
