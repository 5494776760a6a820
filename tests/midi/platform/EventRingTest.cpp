// The ring every event queue below the port layer keeps its events in: whole events out, in
// order, across the end of its memory, and between two threads.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "midi/platform/EventRing.h"

namespace {

std::vector<BYTE> Next(platform::EventRing& ring) {
  std::vector<BYTE> event(ring.NextLength().value_or(0));
  ring.CopyNext(event);
  ring.Pop();
  return event;
}

TEST(EventRing, AnEventThatDoesNotFitIsRefusedAndLeavesTheRingAsItWas) {
  platform::EventRing ring(16);  // a length takes 4 bytes
  EXPECT_EQ(ring.Room(), 12u);
  const std::vector<BYTE> head{1, 2, 3}, tail{4, 5};
  ASSERT_TRUE(ring.TryPush(head, tail));
  EXPECT_EQ(ring.Room(), 3u);
  EXPECT_FALSE(ring.TryPush(std::vector<BYTE>(4, 9)));
  EXPECT_EQ(ring.NextLength(), 5u);
  EXPECT_EQ(Next(ring), (std::vector<BYTE>{1, 2, 3, 4, 5})) << "head and tail come out as one event";
  EXPECT_FALSE(ring.NextLength().has_value());
}

TEST(EventRing, AnEventAcrossTheEndOfTheMemoryComesOutWholeAndInTwoPieces) {
  platform::EventRing ring(16);
  ASSERT_TRUE(ring.TryPush(std::vector<BYTE>(6, 0)));
  ring.Pop();  // the next event starts 10 bytes in: its length, then 2 bytes before the end
  const std::vector<BYTE> event{10, 11, 12, 13, 14, 15, 16};
  ASSERT_TRUE(ring.TryPush(std::span(event).first(1), std::span(event).subspan(1)));

  const std::span<const BYTE> first = ring.NextPiece(0, event.size());
  const std::span<const BYTE> second = ring.NextPiece(first.size(), event.size() - first.size());
  EXPECT_EQ(first.size(), 2u);
  std::vector<BYTE> joined(first.begin(), first.end());
  joined.insert(joined.end(), second.begin(), second.end());
  EXPECT_EQ(joined, event);
  std::vector<BYTE> fromThird(5);
  ring.CopyNext(fromThird, 2);
  EXPECT_EQ(fromThird, std::vector<BYTE>(event.begin() + 2, event.end()));
  EXPECT_EQ(Next(ring), event);
}

// Events of changing lengths, up to a third of the ring, each pushed in two parts and filled with
// its own sequence number: the consumer must never see an event before all of it is there.
TEST(EventRing, AProducerAndAConsumerOnTwoThreadsKeepEveryEventWholeAndInOrder) {
  platform::EventRing ring(4096);
  constexpr std::uint32_t kEvents = 100000;
  constexpr std::uint32_t kLengths = 1361;
  std::thread producer([&] {
    std::vector<BYTE> event;
    for (std::uint32_t sequence = 0; sequence < kEvents; ++sequence) {
      event.assign(1 + sequence % kLengths, static_cast<BYTE>(sequence));
      const std::span<const BYTE> bytes(event);
      while (!ring.TryPush(bytes.first(bytes.size() / 2), bytes.subspan(bytes.size() / 2))) std::this_thread::yield();
    }
  });
  std::uint32_t faults = 0;
  for (std::uint32_t sequence = 0; sequence < kEvents; ++sequence) {
    while (!ring.NextLength()) std::this_thread::yield();
    if (Next(ring) != std::vector<BYTE>(1 + sequence % kLengths, static_cast<BYTE>(sequence))) ++faults;
  }
  producer.join();
  EXPECT_EQ(faults, 0u);
}

}  // namespace
