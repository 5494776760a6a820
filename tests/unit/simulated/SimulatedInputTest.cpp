// What a virtual input device sends reaches the open port, in order, on the port's own driver
// thread; and nothing reaches it once it is closed or the device is gone.
#include <gtest/gtest.h>

#include <chrono>

#include "midi/platform/simulated/SimulatedTransport.h"
#include "tests/support/EventLoop.h"
#include "tests/unit/simulated/RecordingSink.h"

namespace {

using testsupport::Received;
using testsupport::RecordingSink;
using namespace std::chrono_literals;

class SimulatedInput : public testing::Test {
 protected:
  std::unique_ptr<platform::InputConnection> Open() {
    MMRESULT result = MMSYSERR_ERROR;
    auto connection = sim_.OpenInput(0, sink_, result);
    EXPECT_EQ(result, MMSYSERR_NOERROR);
    return connection;
  }
  void InjectSysex(const std::vector<BYTE>& bytes) { sim_.InjectSysex(device_, bytes); }

  platform::SimulatedTransport sim_;
  platform::SimulatedTransport::DeviceId device_ = sim_.AddInput("device");
  RecordingSink sink_;
};

std::vector<BYTE> Message(std::size_t size, BYTE seed) {
  std::vector<BYTE> bytes(size, seed);
  bytes.front() = 0xF0;
  bytes.back() = 0xF7;
  for (std::size_t i = 1; i + 1 < size; ++i) bytes[i] = static_cast<BYTE>((seed + i) & 0x7F);
  return bytes;
}

TEST_F(SimulatedInput, KeepsTheOrderOfShortAndSysexMessagesOfEverySize) {
  auto connection = Open();
  const std::vector<Received> expected = {
      testsupport::Short(0x7F3C90), testsupport::Sysex(Message(6, 1)),
      testsupport::Sysex(Message(3 << 20, 2)),  // larger than the port's FIFO
      testsupport::Short(0x003C80), testsupport::Sysex(Message(70000, 3)),
      testsupport::Short(0xF8)};
  for (int round = 0; round < 3; ++round) {
    for (const Received& message : expected) {
      if (message.isSysex) InjectSysex(message.bytes);
      else sim_.InjectShort(device_, message.shortMessage);
    }
  }
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_));

  const std::vector<Received> received = sink_.Messages();
  ASSERT_EQ(received.size(), 3 * expected.size());
  for (std::size_t i = 0; i < received.size(); ++i) {
    EXPECT_EQ(received[i].isSysex, expected[i % expected.size()].isSysex) << "message " << i;
    EXPECT_EQ(received[i].shortMessage, expected[i % expected.size()].shortMessage) << "message " << i;
    EXPECT_TRUE(received[i].bytes == expected[i % expected.size()].bytes) << "message " << i;
  }
  EXPECT_GT(received[2].parts, 1);
  EXPECT_EQ(sink_.PendingBytes(), 0u);
}

TEST_F(SimulatedInput, DeliversOnADriverThreadOfItsOwnThatTheTransportReports) {
  const auto other = sim_.AddInput("other device");
  EXPECT_EQ(sim_.DriverThread(device_), std::thread::id());
  auto connection = Open();
  RecordingSink otherSink;
  MMRESULT result = MMSYSERR_ERROR;
  auto otherConnection = sim_.OpenInput(1, otherSink, result);
  sim_.InjectShort(device_, 0x90);
  sim_.InjectShort(other, 0x90);
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_));
  ASSERT_TRUE(sim_.WaitUntilDelivered(other));

  EXPECT_NE(sink_.Thread(), std::this_thread::get_id());
  EXPECT_NE(sink_.Thread(), otherSink.Thread());
  EXPECT_EQ(sim_.DriverThread(device_), sink_.Thread());
  EXPECT_EQ(sim_.DriverThread(other), otherSink.Thread());
  connection.reset();
  EXPECT_EQ(sim_.DriverThread(device_), std::thread::id());
}

TEST_F(SimulatedInput, LosesWhatIsSentWhileThePortIsNotOpen) {
  sim_.InjectShort(device_, 0x90);
  InjectSysex(Message(8, 1));
  EXPECT_TRUE(sim_.WaitUntilDelivered(device_, 0ms));
  auto connection = Open();
  sim_.InjectShort(device_, 0x80);
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_));
  EXPECT_EQ(sink_.Messages(), std::vector<Received>{testsupport::Short(0x80)});
}

TEST_F(SimulatedInput, ClosingThePortStopsDelivery) {
  auto connection = Open();
  sink_.Block();
  sim_.InjectShort(device_, 0x90);
  sim_.InjectShort(device_, 0x80);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return sink_.Calls() == 1; }));
  EXPECT_FALSE(sim_.WaitUntilDelivered(device_, 10ms));

  // The driver thread is held inside the first call; closing waits for it to come out.
  std::thread releaser([&] {
    while (sim_.IsOpen(device_)) std::this_thread::yield();
    sink_.Release();
  });
  connection.reset();
  releaser.join();
  sim_.InjectShort(device_, 0xF8);
  testsupport::ProcessEventsFor(20ms);
  EXPECT_EQ(sink_.Calls(), 1);
  EXPECT_EQ(sink_.Messages(), std::vector<Received>{testsupport::Short(0x90)});
}

TEST_F(SimulatedInput, ARemovedDeviceSendsNothingMoreToItsOpenPort) {
  auto connection = Open();
  sim_.InjectShort(device_, 0x90);
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_));
  sim_.Remove(device_);
  EXPECT_TRUE(sim_.IsOpen(device_));
  sim_.InjectShort(device_, 0x80);
  InjectSysex(Message(100, 1));
  EXPECT_TRUE(sim_.WaitUntilDelivered(device_, 0ms));
  testsupport::ProcessEventsFor(20ms);
  EXPECT_EQ(sink_.Messages(), std::vector<Received>{testsupport::Short(0x90)});
}

}  // namespace
