// The channel and its driver thread on a ring far smaller than the messages, so records and their
// headers cross the end of the ring's memory and long messages come in parts.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "midi/platform/simulated/InputChannel.h"
#include "midi/platform/simulated/InputDriver.h"
#include "tests/support/EventLoop.h"
#include "tests/support/RecordingSink.h"

namespace {

using testsupport::Received;
using namespace std::chrono_literals;

std::vector<BYTE> Pattern(std::size_t size, BYTE seed) {
  std::vector<BYTE> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(seed + i * 7);
  return bytes;
}

class InputChannel : public testing::Test {
 protected:
  platform::InputChannel channel_{64};
  testsupport::RecordingSink sink_;
  platform::InputDriver driver_{channel_, sink_};
};

TEST_F(InputChannel, DeliversEveryMessageInOrderThroughASmallRing) {
  std::vector<Received> expected;
  for (BYTE i = 0; i < 60; ++i) {
    // Sizes that do not divide the ring, from empty to several times its size.
    expected.push_back(testsupport::Sysex(Pattern((i * 37) % 200, i)));
    expected.push_back(testsupport::Short(0x904000u + i));
    channel_.PushSysex(expected[expected.size() - 2].bytes);
    channel_.PushShort(expected.back().shortMessage);
  }
  ASSERT_TRUE(channel_.WaitUntilDelivered(10s));

  const std::vector<Received> received = sink_.Messages();
  EXPECT_TRUE(received == expected);
  for (const Received& message : received) EXPECT_TRUE(message.bytes.size() <= 64 || message.parts > 1);
}

TEST_F(InputChannel, ClosingReleasesAProducerWaitingForRoomAndLosesTheRest) {
  sink_.Block();
  channel_.PushShort(0x90);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return sink_.Calls() == 1; }));
  EXPECT_FALSE(channel_.WaitUntilDelivered(0ms)) << "the driver thread is held inside the first call";

  auto producer = std::async(std::launch::async, [&] { channel_.PushSysex(Pattern(1000, 1)); });
  ASSERT_TRUE(testsupport::ProcessEventsUntil(
      [&] { return channel_.ProducerWaiting() || producer.wait_for(0s) == std::future_status::ready; }));
  EXPECT_EQ(producer.wait_for(0s), std::future_status::timeout) << "no room while the first message is held";
  channel_.Close();
  ASSERT_EQ(producer.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(channel_.WaitUntilDelivered(0ms));

  sink_.Release();
  channel_.PushShort(0x80);
  testsupport::ProcessEventsFor(20ms);
  EXPECT_EQ(sink_.Messages(), std::vector<Received>{testsupport::Short(0x90)});
}

}  // namespace
