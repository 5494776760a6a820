// Proves that the thread reading the transport's ALSA sequencer input allocates and locks nothing
// while traffic flows: it is watched from the sink's first call on, so everything it does, in our
// callback and in the sequencer library's reading around it, counts. Runs in a guest that has the
// sequencer (scripts/midi-vm).
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"
#include "midi/platform/rtmidi/RtMidiTransport.h"
#include "tests/unit/midi/HeapAndLockCounter.h"
#include "tests/unit/rtmidi/AlsaPeer.h"
#include "tests/unit/rtmidi/LoopbackPeer.h"

namespace {

constexpr DWORD kAllocatingMessage = 0xF6;  // the sink allocates and locks on it, to show it is seen
constexpr std::size_t kSysexSize = firmware::kBlockLength;

// Keeps counts only, as a real sink must.
class CountingSink final : public platform::InputSink {
 public:
  void ReceiveShort(DWORD message) noexcept override {
    if (message == kAllocatingMessage) {
      driverThread = std::this_thread::get_id();
      testsupport::WatchThread(driverThread);
      std::lock_guard lock(mutex_);
      delete new std::vector<int>(8);
    }
    ++shorts;
  }
  void ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept override {
    received += static_cast<int>(bytes.size());
    if (messageEnds && received == static_cast<int>(kSysexSize) && bytes.back() == 0xF7) ++wholeSysex;
    if (messageEnds) received = 0;
  }
  std::atomic<std::thread::id> driverThread{};
  std::atomic<int> shorts{0};
  std::atomic<int> wholeSysex{0};

 private:
  int received = 0;  // bytes of the message under way; the reading thread's only
  std::mutex mutex_;
};

std::optional<UINT> InputNamed(platform::Transport& transport, const std::string& name) {
  for (UINT index = 0, count = transport.InputCount(); index < count; ++index) {
    platform::PortInfo info;
    if (transport.InputInfo(index, info) && info.name == name) return index;
  }
  return std::nullopt;
}

TEST(AlsaInputThread, AllocatesAndLocksNothingWhileTrafficFlows) {
  testsupport::AlsaPeer peer;
  platform::RtMidiTransport transport;
  const std::optional<UINT> source = InputNamed(transport, peer.SourceName());
  ASSERT_TRUE(source) << peer.SourceName() << " is not listed";
  CountingSink sink;
  MMRESULT result = MMSYSERR_ERROR;
  const auto input = transport.OpenInput(*source, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);

  ASSERT_TRUE(peer.Send({static_cast<unsigned char>(kAllocatingMessage)}));
  ASSERT_TRUE(testsupport::WaitForCount(sink.shorts, 1));
  EXPECT_GT(testsupport::HeapCallsOnWatchedThread(), 0u);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  EXPECT_GT(testsupport::LockCallsOnWatchedThread(), 0u);
#endif

  testsupport::WatchThread(sink.driverThread);
  constexpr int kRounds = 100;
  for (int round = 0; round < kRounds; ++round) {
    for (const testsupport::Bytes& message : {testsupport::Bytes{0x90, 0x3C, 0x40}, testsupport::Bytes{0xC0, 0x05},
                                              testsupport::Bytes{0xF8}, testsupport::Sysex(kSysexSize, round)})
      ASSERT_TRUE(peer.Send(message));
    // One round at a time: what is watched is the reading, not how much the sequencer holds.
    ASSERT_TRUE(testsupport::WaitForCount(sink.wholeSysex, round + 1)) << "round " << round;
  }
  ASSERT_TRUE(testsupport::WaitForCount(sink.shorts, 1 + 3 * kRounds));
  EXPECT_EQ(testsupport::HeapCallsOnWatchedThread(), 0u);
  EXPECT_EQ(testsupport::LockCallsOnWatchedThread(), 0u);
  testsupport::StopWatching();
}

}  // namespace
