// What the tool sends to a virtual output device: recorded in order, held in flight on demand,
// refused once the device is gone, and answered by a device model from the sending thread.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "midi/platform/simulated/SimulatedTransport.h"
#include "tests/support/RecordingSink.h"

namespace {

using namespace std::chrono_literals;

class SimulatedOutput : public testing::Test {
 protected:
  SimulatedOutput() {
    MMRESULT result = MMSYSERR_ERROR;
    port_ = sim_->OpenOutput(0, result);
    EXPECT_EQ(result, MMSYSERR_NOERROR);
  }
  // A long send on another thread, as the emulation's sender thread makes it.
  std::future<MMRESULT> SendLongAsync(std::vector<BYTE> bytes) {
    return std::async(std::launch::async, [this, bytes] { return port_->SendLong(bytes); });
  }
  static bool Finished(std::future<MMRESULT>& send) { return send.wait_for(10s) == std::future_status::ready; }
  // Waits until the send waits at the held device; false if it returned instead.
  bool InFlight(std::future<MMRESULT>& send) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (sim_->SendsHeld(device_) == 0) {
      if (send.wait_for(1ms) == std::future_status::ready || std::chrono::steady_clock::now() > deadline) return false;
    }
    return send.wait_for(0s) == std::future_status::timeout;
  }

  std::unique_ptr<platform::SimulatedTransport> sim_ = std::make_unique<platform::SimulatedTransport>();
  platform::SimulatedTransport::DeviceId device_ = sim_->AddOutput("device");
  std::unique_ptr<platform::OutputConnection> port_;
};

TEST_F(SimulatedOutput, RecordsShortAndLongMessagesInOrderAndTellsTheHook) {
  std::vector<bool> hookSawLong;
  sim_->SetOnSent(device_, [&](const platform::SentMessage& message) { hookSawLong.push_back(message.isLong); });
  EXPECT_EQ(port_->SendShort(0x7F3C90), MMSYSERR_NOERROR);
  EXPECT_EQ(port_->SendLong(std::vector<BYTE>{0xF0, 0x01, 0xF7}), MMSYSERR_NOERROR);
  const auto sent = sim_->Sent(device_);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_TRUE(!sent[0].isLong && sent[0].shortMessage == 0x7F3C90u);
  EXPECT_TRUE(sent[1].isLong && sent[1].bytes == (std::vector<BYTE>{0xF0, 0x01, 0xF7}));
  EXPECT_EQ(hookSawLong, (std::vector<bool>{false, true}));
  sim_->ClearSent(device_);
  EXPECT_TRUE(sim_->Sent(device_).empty());
}

TEST_F(SimulatedOutput, AHeldLongSendStaysInFlightUntilReleased) {
  sim_->HoldOutput(device_, true);
  EXPECT_EQ(port_->SendShort(0x90), MMSYSERR_NOERROR);
  auto send = SendLongAsync({0xF0, 0xF7});
  EXPECT_TRUE(InFlight(send));
  EXPECT_EQ(sim_->Sent(device_).size(), 1u);
  sim_->HoldOutput(device_, false);
  ASSERT_TRUE(Finished(send));
  EXPECT_EQ(send.get(), MMSYSERR_NOERROR);
  EXPECT_EQ(sim_->Sent(device_).size(), 2u);
  EXPECT_EQ(sim_->SendsHeld(device_), 0u);
}

TEST_F(SimulatedOutput, CancelEndsAHeldSendWithoutSendingIt) {
  port_->Cancel();  // nothing under way: must not cancel the next send
  sim_->HoldOutput(device_, true);
  auto send = SendLongAsync({0xF0, 0xF7});
  EXPECT_TRUE(InFlight(send));
  port_->Cancel();
  ASSERT_TRUE(Finished(send));
  EXPECT_TRUE(sim_->Sent(device_).empty());

  sim_->HoldOutput(device_, false);
  EXPECT_EQ(port_->SendLong(std::vector<BYTE>{0xF0, 0xF7}), MMSYSERR_NOERROR);
  EXPECT_EQ(sim_->Sent(device_).size(), 1u);
}

TEST_F(SimulatedOutput, SendsFailOnceTheDeviceIsGone) {
  sim_->HoldOutput(device_, true);
  auto held = SendLongAsync({0xF0, 0xF7});
  EXPECT_TRUE(InFlight(held));
  sim_->Remove(device_);
  ASSERT_TRUE(Finished(held));
  EXPECT_EQ(held.get(), MIDIERR_NODEVICE);
  EXPECT_EQ(port_->SendShort(0x90), MIDIERR_NODEVICE);
  EXPECT_EQ(port_->SendLong(std::vector<BYTE>{0xF0, 0xF7}), MIDIERR_NODEVICE);
  EXPECT_TRUE(sim_->Sent(device_).empty());
}

TEST_F(SimulatedOutput, ADeviceModelAnswersFromTheSendingThread) {
  const auto reply = sim_->AddInput("device in");
  testsupport::RecordingSink sink;
  MMRESULT result = MMSYSERR_ERROR;
  auto input = sim_->OpenInput(0, sink, result);
  std::thread::id hookThread;
  sim_->SetOnSent(device_, [&](const platform::SentMessage& message) {
    hookThread = std::this_thread::get_id();
    EXPECT_EQ(sim_->Sent(device_).size(), 1u);  // the transport is usable from here
    sim_->InjectSysex(reply, message.bytes);
  });

  const std::vector<BYTE> request(3 << 19, 0x11);  // more than the input FIFO takes at once
  auto send = SendLongAsync(request);
  ASSERT_TRUE(Finished(send));
  EXPECT_EQ(send.get(), MMSYSERR_NOERROR);
  ASSERT_TRUE(sim_->WaitUntilDelivered(reply));
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_TRUE(sink.Messages()[0].bytes == request);
  EXPECT_NE(hookThread, std::this_thread::get_id());
  EXPECT_NE(hookThread, std::thread::id());
}

TEST_F(SimulatedOutput, ConnectionsLeftOpenSurviveTheTransport) {
  testsupport::RecordingSink sink;
  sim_->AddInput("in");
  MMRESULT result = MMSYSERR_ERROR;
  auto input = sim_->OpenInput(0, sink, result);
  ASSERT_NE(input, nullptr);
  sim_->HoldOutput(device_, true);
  auto held = SendLongAsync({0xF0, 0xF7});
  EXPECT_TRUE(InFlight(held));

  sim_.reset();
  ASSERT_TRUE(Finished(held));
  EXPECT_EQ(held.get(), MIDIERR_NODEVICE);
  EXPECT_EQ(port_->SendShort(0x90), MIDIERR_NODEVICE);
  input.reset();
  port_.reset();
}

}  // namespace
