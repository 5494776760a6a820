// The summaries every bench figure is made of.
#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>

#include "bench/support/Stats.h"

namespace {

using bench::Median;
using bench::Quantile;

TEST(Stats, TheMedianOfAnOddCountIsTheMiddleSampleWhateverTheOrder) {
  EXPECT_DOUBLE_EQ(Median({9, 1, 5}), 5);
  EXPECT_DOUBLE_EQ(Median({3, 3, 1, 8, 3}), 3);
  EXPECT_DOUBLE_EQ(Median({42}), 42);
}

TEST(Stats, TheMedianOfAnEvenCountIsTheMeanOfTheMiddleTwo) {
  EXPECT_DOUBLE_EQ(Median({4, 1, 3, 2}), 2.5);
  EXPECT_DOUBLE_EQ(Median({10, 20}), 15);
}

TEST(Stats, TheEndsAreTheLeastAndTheGreatest) {
  EXPECT_DOUBLE_EQ(Quantile({7, -2, 11, 4}, 0.0), -2);
  EXPECT_DOUBLE_EQ(Quantile({7, -2, 11, 4}, 1.0), 11);
}

TEST(Stats, TheNinetyNinthPercentileLiesBetweenItsTwoNearestRanks) {
  std::vector<double> samples(1000);
  std::iota(samples.rbegin(), samples.rend(), 1.0);  // 1000 down to 1
  // Rank 0.99 × 999 = 989.01 counted from 0: between 990 and 991.
  EXPECT_NEAR(Quantile(samples, 0.99), 990.01, 1e-9);
  EXPECT_DOUBLE_EQ(Quantile({1, 1, 1, 1, 100}, 0.99), 96.04);
}

TEST(Stats, RefusesNoSamplesAndQuantilesOutsideZeroToOne) {
  EXPECT_THROW(Median({}), std::invalid_argument);
  EXPECT_THROW(Quantile({1, 2}, 1.5), std::invalid_argument);
  EXPECT_THROW(Quantile({1, 2}, -0.1), std::invalid_argument);
}

}  // namespace
