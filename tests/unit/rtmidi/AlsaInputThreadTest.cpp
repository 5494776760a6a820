// Proves that the thread reading the transport's ALSA sequencer input allocates and locks nothing
// while traffic flows: it is watched from the sink's first call on, so everything it does, in our
// callback and in the sequencer library's reading around it, counts. Runs in a guest that has the
// sequencer (scripts/midi-vm).
#include <atomic>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/unit/midi/HeapAndLockCounter.h"
#include "tests/unit/rtmidi/AlsaPeer.h"
#include "tests/unit/rtmidi/CountingSink.h"
#include "tests/unit/rtmidi/LoopbackPeer.h"

namespace {

constexpr std::size_t kSysexSize = firmware::kBlockLength;

std::optional<UINT> InputNamed(platform::Transport& transport, const std::string& name) {
  for (UINT index = 0, count = transport.InputCount(); index < count; ++index) {
    platform::PortInfo info;
    if (transport.InputInfo(index, info) && info.name == name) return index;
  }
  return std::nullopt;
}

TEST(AlsaInputThread, AllocatesAndLocksNothingWhileTrafficFlows) {
  testsupport::AlsaPeer peer;
  platform::SystemsTransport transport(platform::MidiSystems::AlsaSequencer);
  const std::optional<UINT> source = InputNamed(transport, peer.SourceName());
  ASSERT_TRUE(source) << peer.SourceName() << " is not listed";
  testsupport::CountingSink sink(kSysexSize);
  MMRESULT result = MMSYSERR_ERROR;
  const auto input = transport.OpenInput(*source, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);

  ASSERT_TRUE(peer.Send({static_cast<unsigned char>(testsupport::kAllocatingMessage)}));
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
