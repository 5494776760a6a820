// The channel and its driver thread on a ring far smaller than the messages, so records and their
// headers cross the end of the ring's memory and long messages come in parts.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "midi/platform/simulated/InputChannel.h"
#include "midi/platform/simulated/InputDriver.h"
#include "tests/support/EventLoop.h"
#include "tests/unit/simulated/RecordingSink.h"

namespace {

using testsupport::Received;
using testsupport::RecordingSink;
using namespace std::chrono_literals;

std::vector<BYTE> Pattern(std::size_t size, BYTE seed) {
  std::vector<BYTE> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(seed + i * 7);
  return bytes;
}

TEST(InputChannel, DeliversEveryMessageInOrderThroughASmallRing) {
  platform::InputChannel channel(64);
  RecordingSink sink;
  platform::InputDriver driver(channel, sink);

  std::vector<Received> expected;
  for (BYTE i = 0; i < 60; ++i) {
    // Sizes that do not divide the ring, from empty to several times its size.
    expected.push_back(testsupport::Sysex(Pattern((i * 37) % 200, i)));
    expected.push_back(testsupport::Short(0x904000u + i));
  }
  for (const Received& message : expected) {
    if (message.isSysex) channel.PushSysex(message.bytes);
    else channel.PushShort(message.shortMessage);
  }
  ASSERT_TRUE(channel.WaitUntilDelivered(10s));

  std::vector<Received> received = sink.Messages();
  ASSERT_EQ(received.size(), expected.size());
  for (std::size_t i = 0; i < received.size(); ++i) {
    EXPECT_EQ(received[i].bytes, expected[i].bytes) << "message " << i;
    EXPECT_EQ(received[i].shortMessage, expected[i].shortMessage) << "message " << i;
    if (received[i].bytes.size() > 64) {
      EXPECT_GT(received[i].parts, 1) << "message " << i;
    }
  }
  EXPECT_EQ(sink.PendingBytes(), 0u);
}

TEST(InputChannel, ClosingReleasesAProducerWaitingForRoomAndLosesTheRest) {
  platform::InputChannel channel(64);
  RecordingSink sink;
  platform::InputDriver driver(channel, sink);
  sink.Block();
  channel.PushShort(0x90);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return sink.Calls() == 1; }));
  EXPECT_FALSE(channel.WaitUntilDelivered(20ms));

  auto producer = std::async(std::launch::async, [&] { channel.PushSysex(Pattern(1000, 1)); });
  EXPECT_EQ(producer.wait_for(50ms), std::future_status::timeout);
  channel.Close();
  ASSERT_EQ(producer.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(channel.WaitUntilDelivered(0ms));

  sink.Release();
  channel.PushShort(0x80);
  testsupport::ProcessEventsFor(20ms);
  EXPECT_EQ(sink.Messages(), std::vector<Received>{testsupport::Short(0x90)});
}

}  // namespace
