// What RtMidi hands over joined: it ends a System Exclusive message only at an end byte, so a
// message that a device cut short arrives glued to everything after it, and a real-time byte sent
// in its middle arrives inside it. The transport takes them apart as they were on the wire, so a
// reply after such a message is not lost.
#include <gtest/gtest.h>

#include "midi/platform/rtmidi/InputDelivery.h"
#include "tests/unit/simulated/RecordingSink.h"

namespace {

using testsupport::Received;
using testsupport::Short;
using testsupport::Sysex;

std::vector<BYTE> Reply(BYTE kind) { return {0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, kind, 0xF7}; }

std::vector<Received> Deliver(std::vector<std::vector<BYTE>> pieces) {
  std::vector<unsigned char> joined;
  for (const auto& piece : pieces) joined.insert(joined.end(), piece.begin(), piece.end());
  testsupport::RecordingSink sink;
  platform::DeliverToSink(0.0, &joined, &sink);
  return sink.Messages();
}

TEST(JoinedInput, WholeMessagesPassUnchanged) {
  EXPECT_EQ(Deliver({{0x90, 0x3C, 0x40}}), std::vector{Short(0x403C90)});
  EXPECT_EQ(Deliver({{0xF8}}), std::vector{Short(0xF8)});
  EXPECT_EQ(Deliver({Reply(0x01)}), std::vector{Sysex(Reply(0x01))});
}

TEST(JoinedInput, AMessageCutShortEndsAtTheNextStatusByteAndTheReplyAfterItStaysWhole) {
  EXPECT_EQ(Deliver({{0xF0, 0x01, 0x02, 0x03}, Reply(0x01)}),
            (std::vector{Sysex({0xF0, 0x01, 0x02, 0x03}), Sysex(Reply(0x01))}));
  EXPECT_EQ(Deliver({{0xF0, 0x01}, {0x90, 0x3C, 0x40}, Reply(0x05)}),
            (std::vector{Sysex({0xF0, 0x01}), Short(0x403C90), Sysex(Reply(0x05))}));
  EXPECT_EQ(Deliver({{0xF0}, {0xF0}, Reply(0x00)}), (std::vector{Sysex({0xF0}), Sysex({0xF0}), Sysex(Reply(0x00))}));
}

TEST(JoinedInput, RealTimeBytesInsideAMessageComeFirstAndOnTheirOwn) {
  const std::vector<BYTE> reply = Reply(0x01);
  EXPECT_EQ(Deliver({{reply.begin(), reply.begin() + 3}, {0xF8}, {0xFE}, {reply.begin() + 3, reply.end()}}),
            (std::vector{Short(0xF8), Short(0xFE), Sysex(reply)}));
}

TEST(JoinedInput, StrayBytesBecomeNoReply) {
  EXPECT_EQ(Deliver({{0xF7}}), std::vector{Short(0xF7)});
  EXPECT_EQ(Deliver({{0x12, 0x13}}), std::vector{Short(0x1312)});
  EXPECT_TRUE(Deliver({{0x12, 0x13, 0x14, 0x15}}).empty()) << "a run of data bytes is no message";
  EXPECT_EQ(Deliver({{0xF0, 0x01, 0x02}}), std::vector{Sysex({0xF0, 0x01, 0x02})}) << "ended by the message's end";
}

}  // namespace
