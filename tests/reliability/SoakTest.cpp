// Two hundred updates in one process on the simulated transport, the device restarting with
// ReadyReply after each finish: every image equals the table, every update leaves the log of a
// successful update, and resident memory and open descriptors stay flat once warmed up.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/reliability/ProcessStats.h"
#include "tests/reliability/SimulatedUpdate.h"

namespace {

using namespace std::chrono_literals;

constexpr int kUpdates = 200;
constexpr int kWarmUp = 20;
// What the allocator's pools take as they settle; a block message (3 KiB) kept at every update
// would pass it.
constexpr std::size_t kAllowedGrowth = std::size_t{512} << 10;

TEST(Soak, TwoHundredUpdatesLeaveEveryImageIntactAndNothingGrows) {
  reliability::KeepLargeBlocksMapped();
  reliability::SimulatedUpdate update;
  update.rig.Start();
  reliability::ProcessStats warm;
  for (int n = 1; n <= kUpdates; ++n) {
    if (n > 1) update.device.Restart();
    ASSERT_TRUE(update.rig.RunUntilFinishes(n, 5s)) << "update " << n << " stalled";
    const std::vector<std::string> log = update.rig.TakeLog();
    EXPECT_EQ(log, n == 1 ? reliability::FirstUpdateLog() : reliability::UpdateLog()) << "update " << n;
    if (n == kWarmUp) warm = reliability::ProcessStats::OfThisProcess();
  }
  const reliability::ProcessStats end = reliability::ProcessStats::OfThisProcess();
  std::printf("after update %d: %zu KiB resident, %zu descriptors; after update %d: %zu KiB, %zu descriptors\n",
              kWarmUp, warm.residentBytes >> 10, warm.descriptors, kUpdates, end.residentBytes >> 10, end.descriptors);
  EXPECT_EQ(update.device.Finishes(), kUpdates);
  EXPECT_EQ(update.device.BadImages(), 0);
  EXPECT_TRUE(update.device.Faults().empty());
  EXPECT_TRUE(update.rig.Errors().empty());
  EXPECT_EQ(end.descriptors, warm.descriptors);
  EXPECT_LE(end.residentBytes, warm.residentBytes + kAllowedGrowth);
}

}  // namespace
