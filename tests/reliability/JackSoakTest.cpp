// Updates one after another over JACK in one process, the device restarting with ReadyReply after
// each finish: every image equals the table, and resident memory and open descriptors stay flat
// once warmed up. Shorter than the simulated soak: an update over JACK takes seconds.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/reliability/JackUpdate.h"
#include "tests/reliability/ProcessStats.h"

namespace {

using namespace std::chrono_literals;

constexpr int kUpdates = 20;
constexpr int kWarmUp = 5;
constexpr std::size_t kAllowedGrowth = std::size_t{512} << 10;

TEST(JackSoak, UpdatesOneAfterAnotherLeaveEveryImageIntactAndNothingGrows) {
  reliability::KeepLargeBlocksMapped();
  reliability::JackUpdate update({});
  ASSERT_TRUE(update.server.Started());
  update.rig.Start();
  reliability::ProcessStats warm;
  for (int n = 1; n <= kUpdates; ++n) {
    if (n > 1) update.device.Restart();
    const int restartsBefore = update.Restarts();
    ASSERT_TRUE(update.RunUntilFinishes(n)) << "update " << n << " stalled after " << update.rig.Log().back();
    const std::vector<std::string> log = update.rig.TakeLog();
    if (update.Restarts() == restartsBefore)
      EXPECT_EQ(log, n == 1 ? reliability::FirstUpdateLog() : reliability::UpdateLog()) << "update " << n;
    else
      EXPECT_TRUE(reliability::OnlyProgramLines(log)) << "update " << n;
    if (n == kWarmUp) warm = reliability::ProcessStats::OfThisProcess();
  }
  const reliability::ProcessStats end = reliability::ProcessStats::OfThisProcess();
  std::printf(
      "after update %d: %zu KiB resident, %zu descriptors; after update %d: %zu KiB, %zu descriptors; "
      "%d xruns, %d device restarts\n",
      kWarmUp, warm.residentBytes >> 10, warm.descriptors, kUpdates, end.residentBytes >> 10, end.descriptors,
      update.xruns.Count(), update.Restarts());
  EXPECT_EQ(update.device.BadImages(), 0);
  EXPECT_TRUE(update.Restarts() > 0 || update.device.Faults().empty());
  EXPECT_TRUE(update.rig.Errors().empty());
  EXPECT_EQ(end.descriptors, warm.descriptors);
  EXPECT_LE(end.residentBytes, warm.residentBytes + kAllowedGrowth);
}

}  // namespace
