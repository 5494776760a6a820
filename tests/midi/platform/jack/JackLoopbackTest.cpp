// Messages through real JACK ports: the transport's input and output connected to the test's own
// ports, short messages and System Exclusive arriving whole and in order, long runs with nothing
// lost, sends that return once their message went out or, taken at once, once it is queued, and
// the failures a send must report.
#include <future>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/PrivateJackServer.h"
#include "tests/support/RecordingSink.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Bytes;
using testsupport::Sysex;

constexpr std::size_t kBlockMessageSize = firmware::kBlockLength;

class JackLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    peer_ = std::make_unique<testsupport::LoopbackPeer>();
    transport_ = std::make_unique<platform::SystemsTransport>(platform::MidiSystems::Jack);
    MMRESULT result = MMSYSERR_ERROR;
    output_ = transport_->OpenOutput(0, result);
    ASSERT_EQ(result, MMSYSERR_NOERROR);
  }

  std::vector<testsupport::Received> WaitForInput(std::size_t count) {
    for (int i = 0; i < 1000 && sink_.Messages().size() < count; ++i) std::this_thread::sleep_for(10ms);
    return sink_.Messages();
  }

  MMRESULT SendLong(const Bytes& message) { return output_->SendLong(message); }

  testsupport::PrivateJackServer server_;
  testsupport::RecordingSink sink_;
  std::unique_ptr<testsupport::LoopbackPeer> peer_;
  std::unique_ptr<platform::SystemsTransport> transport_;
  std::unique_ptr<platform::OutputConnection> output_;
};

TEST_F(JackLoopback, InputDeliversShortMessagesAndSysexWholeAndInOrderUntilClosed) {
  MMRESULT result = MMSYSERR_ERROR;
  auto input = transport_->OpenInput(0, sink_, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);
  const Bytes block = Sysex(kBlockMessageSize, 1);
  for (const Bytes& message : {Bytes{0x90, 0x3C, 0x40}, Bytes{0xC0, 0x05}, Bytes{0xF8}, block, Bytes{0x80, 0x3C, 0x00}})
    peer_->Send(message);
  using testsupport::Short;
  const std::vector expected{Short(0x403C90), Short(0x05C0), Short(0xF8), testsupport::Sysex(block), Short(0x003C80)};
  EXPECT_EQ(WaitForInput(expected.size()), expected);

  input.reset();
  const int calls = sink_.Calls();
  peer_->Send({0x90, 0x3C, 0x40});
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(sink_.Calls(), calls);
}

TEST_F(JackLoopback, ShortMessagesGoOutWithTheLengthTheirStatusGives) {
  for (const DWORD message : {0x403C90u, 0x7705C0u, 0x7766F8u})
    EXPECT_EQ(output_->SendShort(message), MMSYSERR_NOERROR);
  EXPECT_EQ(output_->SendShort(0x403C), MMSYSERR_INVALPARAM);
  EXPECT_EQ(peer_->Received(3), (std::vector<Bytes>{{0x90, 0x3C, 0x40}, {0xC0, 0x05}, {0xF8}}));
}

TEST_F(JackLoopback, SeventyBlockMessagesBackToBackAllArriveIntactAndInOrder) {
  std::vector<Bytes> sent;
  for (unsigned tag = 0; tag < 70; ++tag) {
    sent.push_back(Sysex(kBlockMessageSize, tag));
    ASSERT_EQ(SendLong(sent.back()), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(peer_->Received(sent.size()), sent);
}

// JACK would drop such a message without a word. One of 20000 bytes is beyond what an RtMidi
// output could carry in one cycle, but within a port buffer.
TEST_F(JackLoopback, AMessageLongerThanOneCycleCarriesIsRefused) {
  EXPECT_EQ(SendLong(Sysex(100000, 0)), MMSYSERR_INVALPARAM);
  const Bytes large = Sysex(20000, 1);
  EXPECT_EQ(SendLong(large), MMSYSERR_NOERROR);
  EXPECT_EQ(peer_->Received(1), std::vector<Bytes>{large});
}

TEST_F(JackLoopback, SendsToAPortThatWentAwayFail) {
  peer_->RemoveDestination();
  EXPECT_EQ(SendLong(Sysex(kBlockMessageSize, 0)), MIDIERR_NODEVICE);
  EXPECT_EQ(output_->TrySendLong(Sysex(kBlockMessageSize, 0)), MIDIERR_NODEVICE);
  EXPECT_EQ(output_->SendShort(0x403C90), MIDIERR_NODEVICE);
  MMRESULT result = MMSYSERR_NOERROR;
  EXPECT_EQ(transport_->OpenOutput(0, result), nullptr);
  EXPECT_EQ(result, MMSYSERR_BADDEVICEID);
}

// With the server paused no cycle runs: a send waits until its message went out, and Cancel
// ends the wait without an error. Once cycles run again the port sends as before. (Whether the
// cancelled message reaches the peer is not asserted: the server's first cycles after a pause
// overrun, and JACK drops what a client late for its cycle had to read.)
TEST_F(JackLoopback, ASendReturnsOnceItsMessageWentOutAndCancelEndsTheWait) {
  server_.Pause();
  auto sending = std::async(std::launch::async, [&] { return SendLong(Sysex(kBlockMessageSize, 7)); });
  EXPECT_EQ(sending.wait_for(500ms), std::future_status::timeout);
  output_->Cancel();
  ASSERT_EQ(sending.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(sending.get(), MMSYSERR_NOERROR);
  server_.Resume();
  EXPECT_EQ(SendLong(Sysex(kBlockMessageSize, 8)), MMSYSERR_NOERROR);
}

// A send taken at once returns as soon as its message is queued: with no cycle running, the queue
// takes block messages until it is full and then says the next would wait, without waiting.
TEST_F(JackLoopback, WithNoCycleRunningTheQueueTakesMessagesAtOnceUntilFull) {
  server_.Pause();
  std::size_t taken = 0;
  std::optional<MMRESULT> result;
  while (taken < 100 && (result = output_->TrySendLong(Sysex(kBlockMessageSize, taken)))) {
    ASSERT_EQ(*result, MMSYSERR_NOERROR);
    ++taken;
  }
  EXPECT_FALSE(result) << "the queue is bounded";
  EXPECT_GE(taken, 2u);
  server_.Resume();
}

// The emulation's way: at once where the queue has room, else a send that waits; whichever way
// each went, all arrive whole and in order.
TEST_F(JackLoopback, BlocksTakenAtOnceOrAfterAWaitArriveIntactAndInOrder) {
  std::vector<Bytes> sent;
  std::size_t atOnce = 0;
  for (unsigned tag = 0; tag < 70; ++tag) {
    sent.push_back(Sysex(kBlockMessageSize, tag));
    if (const std::optional<MMRESULT> result = output_->TrySendLong(sent.back())) {
      ASSERT_EQ(*result, MMSYSERR_NOERROR);
      ++atOnce;
    } else {
      ASSERT_EQ(SendLong(sent.back()), MMSYSERR_NOERROR);
    }
  }
  EXPECT_EQ(peer_->Received(sent.size()), sent);
  EXPECT_GT(atOnce, 0u);
}

// What was taken at once is still queued when the port closes right after (the program's last
// message, then its end): it goes out before the port does.
TEST_F(JackLoopback, ClosingRightAfterSendsTakenAtOnceLetsThemGoOutFirst) {
  std::vector<Bytes> sent;
  for (unsigned tag = 0; tag < 4; ++tag) {
    sent.push_back(Sysex(kBlockMessageSize, tag));
    ASSERT_EQ(output_->TrySendLong(sent.back()), MMSYSERR_NOERROR);
  }
  output_.reset();
  EXPECT_EQ(peer_->Received(sent.size()), sent);
}

}  // namespace
