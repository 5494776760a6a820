// What may still wait in RtMidi's JACK ring: each message counts for the cycles in which it may
// not have gone out yet, and no longer, so acknowledgement-paced blocks never wait while a flood
// still stops at what one cycle carries.
#include <gtest/gtest.h>

#include "midi/platform/rtmidi/CycleBudget.h"

namespace {

using platform::CycleBudget;

constexpr std::size_t kBlock = 3102;  // a firmware block with JACK's and RtMidi's overhead

TEST(CycleBudget, HoldsUpToItsBudgetInclusive) {
  CycleBudget budget(1000);
  EXPECT_TRUE(budget.Fits(1000, 0));
  EXPECT_FALSE(budget.Fits(1001, 0));
  budget.Handed(600, 0);
  EXPECT_TRUE(budget.Fits(400, 0));
  EXPECT_FALSE(budget.Fits(401, 0));
}

TEST(CycleBudget, AMessageCountsUntilThreeCyclesAfterItWasHandedOver) {
  CycleBudget budget(1000);
  budget.Handed(1000, 7);
  EXPECT_FALSE(budget.Fits(1, 7));
  EXPECT_FALSE(budget.Fits(1, 8));
  EXPECT_FALSE(budget.Fits(1, 9));
  EXPECT_TRUE(budget.Fits(1000, 10));
}

TEST(CycleBudget, EachMessageLeavesOnItsOwnCycleNotWithTheLastOne) {
  CycleBudget budget(1000);
  budget.Handed(700, 0);
  budget.Handed(200, 2);
  EXPECT_FALSE(budget.Fits(101, 2));
  EXPECT_TRUE(budget.Fits(800, 3)) << "the first message is out, the second still counts";
  EXPECT_FALSE(budget.Fits(801, 4));
  EXPECT_TRUE(budget.Fits(1000, 5));
}

TEST(CycleBudget, BlocksPacedByAcknowledgementsTwoCyclesApartNeverWait) {
  CycleBudget budget(16383);
  for (std::uint64_t cycle = 0; cycle < 200; cycle += 2) {
    ASSERT_TRUE(budget.Fits(kBlock, cycle)) << "cycle " << cycle;
    budget.Handed(kBlock, cycle);
  }
}

TEST(CycleBudget, AFloodWithinOneCycleStopsAtTheBudgetUntilItHasGoneOut) {
  CycleBudget budget(16383);
  int handed = 0;
  while (budget.Fits(kBlock, 40)) {
    budget.Handed(kBlock, 40);
    ++handed;
  }
  EXPECT_EQ(handed, 5);
  EXPECT_FALSE(budget.Fits(kBlock, 42));
  EXPECT_TRUE(budget.Fits(16383, 43));
}

}  // namespace
