// The event ring: order, wrap, full and empty, its size limits, what it releases when memory
// runs out, and a producer and a consumer on two threads.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "midi/CircularEventBuffer.h"
#include "tests/support/SimulatedPlatform.h"

namespace {

using midi::BufferedEvent;
using midi::CircularBufferCreate;
using midi::CircularBufferFree;
using midi::CircularBufferPeek;
using midi::CircularBufferPut;
using midi::CircularBufferRemove;
using platform::PlatformCall;

class CircularEventBufferTest : public testsupport::SimulatedPlatformTest {};

BufferedEvent Short(DWORD message, DWORD stamp = 0) { return {stamp, message, nullptr}; }

TEST_F(CircularEventBufferTest, ARingOfThreeStoresThreeAndRefusesTheFourth) {
  midi::CircularEventBuffer* ring = CircularBufferCreate(3);
  ASSERT_NE(ring, nullptr);
  EXPECT_TRUE(CircularBufferPut(ring, Short(1)));
  EXPECT_TRUE(CircularBufferPut(ring, Short(2)));
  EXPECT_TRUE(CircularBufferPut(ring, Short(3)));
  EXPECT_FALSE(CircularBufferPut(ring, Short(4)));
  EXPECT_EQ(ring->PendingCount.load(), 3);
  EXPECT_EQ(ring->PutPosition.load(), ring->GetPosition.load()) << "a full ring";

  BufferedEvent item{};
  ASSERT_TRUE(CircularBufferPeek(ring, item));
  EXPECT_EQ(item.ShortMessage, 1u);
  ASSERT_TRUE(CircularBufferPeek(ring, item));
  EXPECT_EQ(item.ShortMessage, 1u) << "peeking leaves the ring unchanged";
  for (DWORD expected = 1; expected <= 3; ++expected) {
    ASSERT_TRUE(CircularBufferPeek(ring, item));
    EXPECT_EQ(item.ShortMessage, expected);
    EXPECT_TRUE(CircularBufferRemove(ring));
  }
  EXPECT_FALSE(CircularBufferRemove(ring));
  EXPECT_FALSE(CircularBufferPeek(ring, item));
  CircularBufferFree(ring);
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(CircularEventBufferTest, ItemsComeOutInArrivalOrderAcrossTheWrap) {
  midi::CircularEventBuffer* ring = CircularBufferCreate(4);
  ASSERT_NE(ring, nullptr);
  BufferedEvent item{};
  DWORD next = 0;
  for (DWORD message = 0; message < 10; ++message) {
    ASSERT_TRUE(CircularBufferPut(ring, Short(message, message * 10)));
    if (message % 2 == 1) {
      for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(CircularBufferPeek(ring, item));
        EXPECT_EQ(item.ShortMessage, next);
        EXPECT_EQ(item.TimeStamp, next * 10);
        ASSERT_TRUE(CircularBufferRemove(ring));
        ++next;
      }
    }
  }
  EXPECT_EQ(ring->PendingCount.load(), 0);
  for (int i = 0; i < 2; ++i) {  // 10 + 2 puts bring both positions back to the start
    ASSERT_TRUE(CircularBufferPut(ring, Short(0)));
    ASSERT_TRUE(CircularBufferRemove(ring));
  }
  EXPECT_EQ(ring->PutPosition.load(), ring->StorageStart);
  EXPECT_EQ(ring->GetPosition.load(), ring->StorageStart);
  CircularBufferFree(ring);
}

TEST_F(CircularEventBufferTest, CapacityMustFitOneSharedBlock) {
  EXPECT_EQ(CircularBufferCreate(0), nullptr);
  const auto largest = midi::kMaxRingCapacity;
  EXPECT_EQ(CircularBufferCreate(static_cast<std::uint16_t>(largest + 1)), nullptr);
  EXPECT_LE(largest * sizeof(BufferedEvent), 0xFFFFu);
  midi::CircularEventBuffer* ring = CircularBufferCreate(largest);
  ASSERT_NE(ring, nullptr);
  EXPECT_EQ(ring->StorageEnd - ring->StorageStart, largest);
  CircularBufferFree(ring);
  CircularBufferFree(nullptr);
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(CircularEventBufferTest, CreationReleasesWhatItHadWhenMemoryRunsOut) {
  for (PlatformCall call : {PlatformCall::GlobalAlloc, PlatformCall::GlobalLock}) {
    for (unsigned nth : {1u, 2u}) {
      Faults().FailOnCall(call, nth, MMSYSERR_NOMEM);
      EXPECT_EQ(CircularBufferCreate(8), nullptr) << platform::PlatformCallName(call) << " #" << nth;
      EXPECT_EQ(BlocksLeaked(), 0u) << platform::PlatformCallName(call) << " #" << nth;
    }
  }
}

// One producer and one consumer on two threads: every item arrives once, in order, whole.
TEST_F(CircularEventBufferTest, AProducerAndAConsumerOnTwoThreadsKeepTheSequence) {
  constexpr DWORD kItems = 200000;
  midi::CircularEventBuffer* ring = CircularBufferCreate(64);
  ASSERT_NE(ring, nullptr);
  std::thread producer([ring] {
    for (DWORD sequence = 0; sequence < kItems;) {
      const BufferedEvent item{sequence, ~sequence,
                               reinterpret_cast<MIDIHDR*>(static_cast<std::uintptr_t>(sequence) << 4)};
      if (CircularBufferPut(ring, item))
        ++sequence;
      else
        std::this_thread::yield();
    }
  });
  DWORD expected = 0;
  bool intact = true;
  while (expected < kItems) {
    BufferedEvent item{};
    if (!CircularBufferPeek(ring, item)) {
      std::this_thread::yield();
      continue;
    }
    intact = intact && item.TimeStamp == expected && item.ShortMessage == ~expected &&
             item.SysexHeader == reinterpret_cast<MIDIHDR*>(static_cast<std::uintptr_t>(expected) << 4);
    ASSERT_TRUE(CircularBufferRemove(ring));
    ++expected;
  }
  producer.join();
  EXPECT_TRUE(intact) << "an item arrived out of order or torn";
  EXPECT_EQ(ring->PendingCount.load(), 0);
  CircularBufferFree(ring);
}

}  // namespace
