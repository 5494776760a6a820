// Proves that JACK's real-time thread allocates and locks nothing while traffic flows into the
// transport's input: the thread that runs our input port's process callback, the splitter and
// the sink is watched from the sink's first call on, so everything it does, inside our callback
// and in JACK's own loop around it, counts.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/unit/midi/HeapAndLockCounter.h"
#include "tests/unit/rtmidi/CountingSink.h"
#include "tests/unit/rtmidi/LoopbackPeer.h"
#include "tests/unit/rtmidi/PrivateJackServer.h"

namespace {

constexpr std::size_t kSysexSize = firmware::kBlockLength;

TEST(JackInputThread, AllocatesAndLocksNothingWhileTrafficFlows) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  testsupport::LoopbackPeer peer;
  platform::SystemsTransport transport(platform::MidiSystems::Jack);
  testsupport::CountingSink sink(kSysexSize);
  MMRESULT result = MMSYSERR_ERROR;
  const auto input = transport.OpenInput(0, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);

  peer.Send({static_cast<unsigned char>(testsupport::kAllocatingMessage)});
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
  }
  ASSERT_TRUE(testsupport::WaitForCount(sink.shorts, 1 + 3 * kRounds));
  ASSERT_TRUE(testsupport::WaitForCount(sink.wholeSysex, kRounds));
  EXPECT_EQ(testsupport::HeapCallsOnWatchedThread(), 0u);
  EXPECT_EQ(testsupport::LockCallsOnWatchedThread(), 0u);
  testsupport::StopWatching();
}

}  // namespace
