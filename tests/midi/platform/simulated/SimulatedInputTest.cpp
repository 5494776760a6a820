// What a virtual input device sends reaches the open port, in order, on the port's own driver
// thread; and nothing reaches it once it is closed or the device is gone.
#include <gtest/gtest.h>

#include <chrono>

#include "midi/platform/simulated/SimulatedTransport.h"
#include "tests/support/EventLoop.h"
#include "tests/support/RecordingSink.h"

namespace {

using testsupport::Received;
using testsupport::RecordingSink;
using namespace std::chrono_literals;

class SimulatedInput : public testing::Test {
 protected:
  std::unique_ptr<platform::InputConnection> Open(UINT index = 0, RecordingSink* sink = nullptr) {
    MMRESULT result = MMSYSERR_ERROR;
    auto connection = sim_.OpenInput(index, sink ? *sink : sink_, result);
    EXPECT_EQ(result, MMSYSERR_NOERROR);
    return connection;
  }
  void Inject(const Received& message) {
    if (message.isSysex)
      sim_.InjectSysex(device_, message.bytes);
    else
      sim_.InjectShort(device_, message.shortMessage);
  }

  platform::SimulatedTransport sim_;
  platform::SimulatedTransport::DeviceId device_ = sim_.AddInput("device");
  RecordingSink sink_;
};

Received Sysex(std::size_t size, BYTE seed) {
  std::vector<BYTE> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>((seed + i) & 0x7F);
  bytes.front() = 0xF0;
  bytes.back() = 0xF7;
  return testsupport::Sysex(std::move(bytes));
}

TEST_F(SimulatedInput, KeepsTheOrderOfShortAndSysexMessagesOfEverySize) {
  auto connection = Open();
  const std::vector<Received> round = {
      testsupport::Short(0x7F3C90), Sysex(6, 1),     Sysex(3 << 20, 2),  // larger than the port's FIFO
      testsupport::Short(0x003C80), Sysex(70001, 3), testsupport::Short(0xF8)};
  std::vector<Received> expected;
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), round.begin(), round.end());
  for (const Received& message : expected) Inject(message);
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_));

  const std::vector<Received> received = sink_.Messages();
  EXPECT_TRUE(received == expected);
  ASSERT_EQ(received.size(), expected.size());
  EXPECT_GT(received[2].parts, 1);
}

TEST_F(SimulatedInput, AnInjectedLossIsReportedInItsPlaceAndCountsAsDelivered) {
  auto connection = Open();
  Inject(testsupport::Short(0x90));
  sim_.InjectLoss(device_);
  Inject(Sysex(6, 1));
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_));
  EXPECT_EQ(sink_.Messages(), (std::vector<Received>{testsupport::Short(0x90), testsupport::Loss(), Sysex(6, 1)}));
}

TEST_F(SimulatedInput, DeliversOnADriverThreadOfItsOwnThatTheTransportReports) {
  const auto other = sim_.AddInput("other device");
  EXPECT_EQ(sim_.DriverThread(device_), std::thread::id());
  RecordingSink otherSink;
  auto connection = Open();
  auto otherConnection = Open(1, &otherSink);
  sim_.InjectShort(device_, 0x90);
  sim_.InjectShort(other, 0x90);
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_) && sim_.WaitUntilDelivered(other));

  EXPECT_NE(sink_.Thread(), std::this_thread::get_id());
  EXPECT_NE(sink_.Thread(), otherSink.Thread());
  EXPECT_EQ(sim_.DriverThread(device_), sink_.Thread());
  EXPECT_EQ(sim_.DriverThread(other), otherSink.Thread());
  connection.reset();
  EXPECT_EQ(sim_.DriverThread(device_), std::thread::id());
}

TEST_F(SimulatedInput, LosesWhatIsSentWhileThePortIsNotOpen) {
  Inject(testsupport::Short(0x90));
  Inject(Sysex(8, 1));
  EXPECT_TRUE(sim_.WaitUntilDelivered(device_, 0ms));
  auto connection = Open();
  Inject(testsupport::Short(0x80));
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_));
  EXPECT_EQ(sink_.Messages(), std::vector<Received>{testsupport::Short(0x80)});
}

TEST_F(SimulatedInput, ClosingThePortStopsDelivery) {
  auto connection = Open();
  sink_.Block();
  Inject(testsupport::Short(0x90));
  Inject(testsupport::Short(0x80));
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return sink_.Calls() == 1; }));
  EXPECT_FALSE(sim_.WaitUntilDelivered(device_, 0ms)) << "the second message waits behind the first";

  // The driver thread is held inside the first call; closing waits for it to come out.
  std::thread releaser([&] {
    while (sim_.IsOpen(device_)) std::this_thread::yield();
    sink_.Release();
  });
  connection.reset();
  releaser.join();
  Inject(testsupport::Short(0xF8));
  EXPECT_EQ(sink_.Calls(), 1);
  EXPECT_EQ(sink_.Messages(), std::vector<Received>{testsupport::Short(0x90)});
}

TEST_F(SimulatedInput, ARemovedDeviceSendsNothingMoreToItsOpenPort) {
  auto connection = Open();
  Inject(testsupport::Short(0x90));
  ASSERT_TRUE(sim_.WaitUntilDelivered(device_));
  sim_.Remove(device_);
  EXPECT_TRUE(sim_.IsOpen(device_));
  Inject(testsupport::Short(0x80));
  Inject(Sysex(100, 1));
  EXPECT_TRUE(sim_.WaitUntilDelivered(device_, 0ms));
  EXPECT_EQ(sink_.Messages(), std::vector<Received>{testsupport::Short(0x90)});
}

}  // namespace
