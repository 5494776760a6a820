// Proves that the driver side allocates and locks nothing: thousands of short and System
// Exclusive messages, and reports of lost input, flow from the simulated transport's driver
// thread through the emulation and MidiDriverCallback into the ring and the message window, while
// the window thread takes them out and lends the buffers again.
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "framework/MessageWindow.h"
#include "midi/MidiCallback.h"
#include "midi/MidiType.h"
#include "midi/PortMessages.h"
#include "tests/support/EventLoop.h"
#include "tests/support/SimulatedPlatform.h"
#include "tests/unit/midi/HeapAndLockCounter.h"

namespace {

constexpr int kBuffers = 64;
constexpr DWORD kBufferSize = 64;
constexpr int kRounds = 100;
constexpr int kShortPerRound = 60;
constexpr int kSysexPerRound = 30;

// The window-thread side of an open input: takes every item out of the ring and lends each
// returned buffer to the device again, checking order and content on the way.
class Consumer {
 public:
  Consumer(HMIDIIN& device, midi::CallbackInstance& instance) : device_(device), instance_(instance) {}

  void Drain() {
    midi::BufferedEvent item{};
    while (midi::CircularBufferPeek(instance_.EventBuffer, item)) {
      if (item.SysexHeader == nullptr) {
        ordered_ = ordered_ && item.ShortMessage == ExpectedShort(shortSeen_++);
      } else {
        const MIDIHDR& header = *item.SysexHeader;
        ordered_ = ordered_ && header.dwBytesRecorded == 40 &&
                   static_cast<BYTE>(header.lpData[1]) == static_cast<BYTE>(sysexSeen_++ & 0x7F);
        EXPECT_EQ(midiInAddBuffer(device_, item.SysexHeader, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
      }
      midi::CircularBufferRemove(instance_.EventBuffer);
    }
  }

  static DWORD ExpectedShort(int sequence) { return 0x90 | (sequence & 0x7F) << 8 | ((sequence >> 7) & 0x7F) << 16; }

  int shortSeen_ = 0;
  int sysexSeen_ = 0;
  bool ordered_ = true;
  int overflows_ = 0;

 private:
  HMIDIIN& device_;
  midi::CallbackInstance& instance_;
};

class DriverPathTest : public testsupport::SimulatedPlatformTest {};

TEST_F(DriverPathTest, TheDriverThreadAllocatesAndLocksNothing) {
  const auto input = Sim().AddInput("Flow");
  midi::CallbackInstance instance{};
  instance.EventBuffer = midi::CircularBufferCreate(1024);
  ASSERT_NE(instance.EventBuffer, nullptr);
  HMIDIIN device = nullptr;
  Consumer consumer(device, instance);
  instance.Window = framework::AllocateHWnd([&](framework::TMessage& message) {
    // As the input port does: a loss without a buffer is counted in the instance, not posted each.
    if (message.Msg == midi::kRingOverflow && message.LParam != 0) ++consumer.overflows_;
    consumer.overflows_ += static_cast<int>(instance.LossesUnreported.exchange(0));
    consumer.Drain();
  });
  ASSERT_EQ(midiInOpen(&device, 0, reinterpret_cast<DWORD_PTR>(&midi::MidiDriverCallback),
                       reinterpret_cast<DWORD_PTR>(&instance), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  std::vector<std::unique_ptr<midi::TMyMidiHdr>> buffers;
  for (int i = 0; i < kBuffers; ++i) {
    buffers.push_back(std::make_unique<midi::TMyMidiHdr>(kBufferSize));
    ASSERT_EQ(midiInPrepareHeader(device, buffers.back()->Header(), sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(midiInAddBuffer(device, buffers.back()->Header(), sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(midiInStart(device), MMSYSERR_NOERROR);

  int shortSent = 0;
  int sysexSent = 0;
#ifdef _WIN32
  // winpthreads starts a thread with an allocation and locks of its own, on the new thread before
  // its function runs: the watch begins once the driver thread has delivered a first message.
  Sim().InjectShort(input, Consumer::ExpectedShort(shortSent++));
  ASSERT_TRUE(Sim().WaitUntilDelivered(input));
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return consumer.shortSeen_ == shortSent; }));
#endif
  testsupport::WatchThread(Sim().DriverThread(input));
  for (int round = 0; round < kRounds; ++round) {
    for (int i = 0; i < kShortPerRound; ++i) Sim().InjectShort(input, Consumer::ExpectedShort(shortSent++));
    for (int i = 0; i < kSysexPerRound; ++i) {
      std::vector<BYTE> message(40, 0x55);
      message.front() = 0xF0;
      message[1] = static_cast<BYTE>(sysexSent++ & 0x7F);
      message.back() = 0xF7;
      Sim().InjectSysex(input, message);
    }
    Sim().InjectLoss(input);
    ASSERT_TRUE(Sim().WaitUntilDelivered(input));
    ASSERT_TRUE(testsupport::ProcessEventsUntil([&] {
      return consumer.shortSeen_ == shortSent && consumer.sysexSeen_ == sysexSent && consumer.overflows_ == round + 1;
    })) << "round "
        << round;
  }
  testsupport::StopWatching();

  EXPECT_EQ(testsupport::HeapCallsOnWatchedThread(), 0u);
  EXPECT_EQ(testsupport::LockCallsOnWatchedThread(), 0u);
  EXPECT_TRUE(consumer.ordered_);
  EXPECT_EQ(consumer.overflows_, kRounds) << "one notice for each loss, none for the ring";

  ASSERT_EQ(midiInReset(device), MMSYSERR_NOERROR);
  for (auto& buffer : buffers)
    ASSERT_EQ(midiInUnprepareHeader(device, buffer->Header(), sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(midiInClose(device), MMSYSERR_NOERROR);
  framework::DeallocateHWnd(instance.Window);
  buffers.clear();
  midi::CircularBufferFree(instance.EventBuffer);
  EXPECT_EQ(BlocksLeaked(), 0u);
}

// An output's completion carries the result of its transfer; passing it on costs the driver
// thread nothing more than the completion itself.
TEST_F(DriverPathTest, ACompletionAndTheResultItCarriesArePostedWithoutHeapOrLock) {
  constexpr int kCompletions = 200;
  midi::CallbackInstance instance{};
  std::vector<framework::TMessage> received;
  received.reserve(kCompletions);
  instance.Window = framework::AllocateHWnd([&](framework::TMessage& message) { received.push_back(message); });
  MIDIHDR header{};
  unsigned long heap = 0;
  unsigned long locks = 0;
  std::thread driver([&] {
    testsupport::WatchThread(std::this_thread::get_id());
    for (int i = 0; i < kCompletions; ++i)
      midi::MidiDriverCallback(nullptr, MOM_DONE, reinterpret_cast<DWORD_PTR>(&instance),
                               reinterpret_cast<DWORD_PTR>(&header), i % 2 == 0 ? MIDIERR_NODEVICE : MMSYSERR_NOERROR);
    testsupport::StopWatching();
    heap = testsupport::HeapCallsOnWatchedThread();
    locks = testsupport::LockCallsOnWatchedThread();
  });
  driver.join();
  EXPECT_EQ(heap, 0u);
  EXPECT_EQ(locks, 0u);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return received.size() == kCompletions; }));
  for (int i = 0; i < kCompletions; ++i) {
    EXPECT_EQ(received[i].Msg, MOM_DONE);
    EXPECT_EQ(received[i].WParam, i % 2 == 0 ? MIDIERR_NODEVICE : MMSYSERR_NOERROR) << i;
    EXPECT_EQ(received[i].LParam, reinterpret_cast<std::intptr_t>(&header));
  }
  framework::DeallocateHWnd(instance.Window);
}

// The counter itself must see what it is meant to see, or the proof above proves nothing.
TEST(HeapAndLockCounterTest, SeesAllocationsAndLocksOfTheWatchedThread) {
  unsigned long heap = 0;
  unsigned long locks = 0;
  std::thread worker([&] {
    testsupport::WatchThread(std::this_thread::get_id());
    auto block = std::make_unique<int>(7);
    std::mutex mutex;
    { std::lock_guard lock(mutex); }
    testsupport::StopWatching();
    heap = testsupport::HeapCallsOnWatchedThread();
    locks = testsupport::LockCallsOnWatchedThread();
  });
  worker.join();
  EXPECT_GE(heap, 1u);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  EXPECT_GE(locks, 1u);
#else
  (void)locks;
#endif
}

#ifdef _WIN32
TEST(HeapAndLockCounterTest, SeesWindowsOwnHeapAndLockFunctions) {
  testsupport::WatchThread(std::this_thread::get_id());
  testsupport::UseSystemHeapAndLockOnce();
  testsupport::StopWatching();
  EXPECT_GE(testsupport::HeapCallsOnWatchedThread(), 2u);
  EXPECT_GE(testsupport::LockCallsOnWatchedThread(), 1u);
}
#endif

}  // namespace
