// The transport's JACK input and output opened, passing traffic both ways and closed, thousands
// of times on one server, with traffic still arriving while the input closes. A client whose
// memory were freed while the server could still run a cycle of it would crash here (RtMidi's
// JACK output did, about one run in forty); a message dropped on the way would show as one
// missing.
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/PrivateJackServer.h"

namespace {

using testsupport::Bytes;
using testsupport::Sysex;

// Fewer under the sanitizers, which make each opening several times slower and a use after free
// certain to be seen rather than merely likely.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kOpenings = 500;
#else
constexpr int kOpenings = 2000;
#endif
constexpr std::size_t kBlockMessageSize = firmware::kBlockLength;
constexpr DWORD kNote = 0x403C90;

// Counts what arrives, on JACK's thread, without allocating: short messages equal to kNote, and
// whole System Exclusive messages of the block's size whose body names the expected tag.
class CountingSink final : public platform::InputSink {
 public:
  void Expect(unsigned tag) { expectedSecondByte_ = Sysex(kBlockMessageSize, tag)[1]; }
  void ReceiveShort(DWORD message) noexcept override {
    if (message == kNote) ++notes;
  }
  void ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept override {
    if (length_ == 0 && !bytes.empty()) secondByte_ = bytes.size() > 1 ? bytes[1] : 0;
    if (length_ == 1 && !bytes.empty()) secondByte_ = bytes[0];
    length_ += bytes.size();
    if (!messageEnds) return;
    if (length_ == kBlockMessageSize && secondByte_ == expectedSecondByte_) ++blocks;
    length_ = 0;
  }
  void ReportLoss() noexcept override { ++losses; }
  std::atomic<int> notes{0};
  std::atomic<int> blocks{0};
  std::atomic<int> losses{0};

 private:
  std::atomic<BYTE> expectedSecondByte_{0};
  std::size_t length_ = 0;
  BYTE secondByte_ = 0;
};

TEST(JackOpenClose, ThousandsOfOpeningsPassTrafficAndCloseWithoutACrashOrALoss) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  testsupport::LoopbackPeer peer;
  platform::SystemsTransport transport(platform::MidiSystems::Jack);
  for (int opening = 0; opening < kOpenings; ++opening) {
    SCOPED_TRACE("opening " + std::to_string(opening));
    const unsigned tag = static_cast<unsigned>(opening);
    CountingSink sink;
    sink.Expect(tag);
    MMRESULT result = MMSYSERR_ERROR;
    auto input = transport.OpenInput(0, sink, result);
    ASSERT_EQ(result, MMSYSERR_NOERROR);
    auto output = transport.OpenOutput(0, result);
    ASSERT_EQ(result, MMSYSERR_NOERROR);

    const Bytes block = Sysex(kBlockMessageSize, tag);
    ASSERT_TRUE(peer.Send({0x90, 0x3C, 0x40}));
    ASSERT_TRUE(peer.Send(block));
    ASSERT_EQ(output->SendShort(kNote), MMSYSERR_NOERROR);
    ASSERT_EQ(output->SendLong(block), MMSYSERR_NOERROR);
    ASSERT_TRUE(testsupport::WaitForCount(sink.notes, 1));
    ASSERT_TRUE(testsupport::WaitForCount(sink.blocks, 1));
    EXPECT_EQ(sink.losses, 0);
    ASSERT_EQ(peer.Received(2), (std::vector<Bytes>{{0x90, 0x3C, 0x40}, block}));
    peer.ClearReceived();

    // Closed while the peer's traffic still comes in, in either order.
    for (int note = 0; note < 20; ++note) ASSERT_TRUE(peer.Send({0x90, 0x3C, 0x40}));
    if (opening % 2 == 0) {
      input.reset();
      output.reset();
    } else {
      output.reset();
      input.reset();
    }
  }
}

}  // namespace
