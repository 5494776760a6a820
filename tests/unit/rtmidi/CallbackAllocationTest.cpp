// Proves that the path from RtMidi's input callback to the sink allocates and locks nothing:
// the link replaces platform::DeliverToSink with a wrapper that counts the heap calls and locks
// its thread (JACK's real-time thread) makes from entering the callback to leaving it.
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "midi/platform/rtmidi/RtMidiTransport.h"
#include "tests/unit/midi/HeapAndLockCounter.h"
#include "tests/unit/rtmidi/LoopbackPeer.h"
#include "tests/unit/rtmidi/PrivateJackServer.h"

namespace {

std::atomic<unsigned long> callbacks{0};
std::atomic<unsigned long> heapCalls{0};
std::atomic<unsigned long> lockCalls{0};

constexpr DWORD kAllocatingMessage = 0xF6;  // the sink allocates and locks on it, to show it is seen
constexpr std::size_t kSysexSize = 3086;

// Keeps counts only, as a real sink must.
class CountingSink final : public platform::InputSink {
 public:
  void ReceiveShort(DWORD message) noexcept override {
    if (message == kAllocatingMessage) {
      std::lock_guard lock(mutex_);
      delete new std::vector<int>(8);
    }
    ++shorts;
  }
  void ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept override {
    if (messageEnds && bytes.size() == kSysexSize && bytes.front() == 0xF0 && bytes.back() == 0xF7) ++wholeSysex;
  }
  std::atomic<int> shorts{0};
  std::atomic<int> wholeSysex{0};

 private:
  std::mutex mutex_;
};

bool WaitFor(const std::atomic<int>& count, int expected) {
  for (int i = 0; i < 1000 && count < expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return count == expected;
}

TEST(RtMidiCallback, AllocatesAndLocksNothingWhileTrafficFlows) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  testsupport::LoopbackPeer peer;
  platform::RtMidiTransport transport;
  CountingSink sink;
  MMRESULT result = MMSYSERR_ERROR;
  const auto input = transport.OpenInput(0, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);

  peer.Send({static_cast<unsigned char>(kAllocatingMessage)});
  ASSERT_TRUE(WaitFor(sink.shorts, 1));
  EXPECT_GT(heapCalls, 0u);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  EXPECT_GT(lockCalls, 0u);
#endif

  callbacks = heapCalls = lockCalls = 0;
  constexpr int kRounds = 100;
  for (int round = 0; round < kRounds; ++round) {
    for (const testsupport::Bytes& message : {testsupport::Bytes{0x90, 0x3C, 0x40}, testsupport::Bytes{0xC0, 0x05},
                                              testsupport::Bytes{0xF8}, testsupport::Sysex(kSysexSize, round)})
      peer.Send(message);
    // Well within what one cycle carries, so that the test's own sends lose nothing.
    std::this_thread::sleep_for(std::chrono::milliseconds(6));
  }
  ASSERT_TRUE(WaitFor(sink.shorts, 1 + 3 * kRounds));
  ASSERT_TRUE(WaitFor(sink.wholeSysex, kRounds));
  EXPECT_EQ(callbacks, 4u * kRounds);
  EXPECT_EQ(heapCalls, 0u);
  EXPECT_EQ(lockCalls, 0u);
}

}  // namespace

extern "C" {
void __real__ZN8platform13DeliverToSinkEdPSt6vectorIhSaIhEEPv(double, std::vector<unsigned char>*, void*);

void __wrap__ZN8platform13DeliverToSinkEdPSt6vectorIhSaIhEEPv(double time, std::vector<unsigned char>* message,
                                                              void* sink) {
  testsupport::WatchThread(std::this_thread::get_id());
  __real__ZN8platform13DeliverToSinkEdPSt6vectorIhSaIhEEPv(time, message, sink);
  heapCalls += testsupport::HeapCallsOnWatchedThread();
  lockCalls += testsupport::LockCallsOnWatchedThread();
  testsupport::StopWatching();
  ++callbacks;
}
}
