// Judging each figure against its goal, and the table they make.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "bench/support/Table.h"

namespace {

using bench::Figure;
using bench::Goal;
using bench::Judge;
using bench::Verdict;

Figure WithGoal(double value, std::optional<double> baseline, Goal::Kind kind, double limit) {
  return {"f", value, "ms", baseline, {kind, limit}};
}

TEST(Judge, ARatioGoalHoldsUpToItsLimitInclusive) {
  EXPECT_EQ(Judge(WithGoal(110, 100, Goal::Kind::RatioAtMost, 1.1)), Verdict::Met);
  EXPECT_EQ(Judge(WithGoal(111, 100, Goal::Kind::RatioAtMost, 1.1)), Verdict::Missed);
  EXPECT_EQ(Judge(WithGoal(30, 10, Goal::Kind::RatioAtMost, 3)), Verdict::Met);
}

TEST(Judge, ARatioWithinGoalHoldsOnBothSidesOfOne) {
  EXPECT_EQ(Judge(WithGoal(0.95, 1, Goal::Kind::RatioWithin, 0.1)), Verdict::Met);
  EXPECT_EQ(Judge(WithGoal(1.09, 1, Goal::Kind::RatioWithin, 0.1)), Verdict::Met);
  EXPECT_EQ(Judge(WithGoal(0.89, 1, Goal::Kind::RatioWithin, 0.1)), Verdict::Missed);
  EXPECT_EQ(Judge(WithGoal(1.11, 1, Goal::Kind::RatioWithin, 0.1)), Verdict::Missed);
}

TEST(Judge, ValueGoalsIgnoreTheBaseline) {
  EXPECT_EQ(Judge(WithGoal(999, std::nullopt, Goal::Kind::ValueBelow, 1000)), Verdict::Met);
  EXPECT_EQ(Judge(WithGoal(1000, 1, Goal::Kind::ValueBelow, 1000)), Verdict::Missed);
  EXPECT_EQ(Judge(WithGoal(104200, 1e9, Goal::Kind::ValueAtLeast, 104200)), Verdict::Met);
  EXPECT_EQ(Judge(WithGoal(104199, 1, Goal::Kind::ValueAtLeast, 104200)), Verdict::Missed);
}

TEST(Judge, WhatCannotBeJudgedHasMissed) {
  EXPECT_EQ(Judge(WithGoal(1, std::nullopt, Goal::Kind::RatioAtMost, 1.1)), Verdict::Missed);
  EXPECT_EQ(Judge(WithGoal(1, 0, Goal::Kind::RatioAtMost, 1.1)), Verdict::Missed);
  EXPECT_EQ(Judge(WithGoal(std::nan(""), std::nullopt, Goal::Kind::ValueBelow, 1)), Verdict::Missed);
  EXPECT_EQ(Judge(WithGoal(std::nan(""), 1, Goal::Kind::RatioAtMost, 2)), Verdict::Missed);
  EXPECT_EQ(Judge(WithGoal(5, std::nullopt, Goal::Kind::None, 0)), Verdict::NoGoal);
}

TEST(Table, HasOneAlignedRowPerFigureUnderAHeader) {
  const std::string table = bench::RenderTable({
      {"whole update, 256 frames", 816.2, "ms", 747.9, {Goal::Kind::RatioAtMost, 1.1}},
      {"input path", 183456.7, "msgs/s", 2.5e7, {Goal::Kind::ValueAtLeast, 104200}},
      {"callback", 240, "ns", 12.26, {Goal::Kind::ValueBelow, 100}},
      {"lent buffers", 16, "MiB", std::nullopt, {}},
  });
  std::istringstream lines(table);
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  ASSERT_EQ(rows.size(), 6u);
  for (const std::string& row : rows) EXPECT_EQ(row.size(), rows.front().size()) << row;
  EXPECT_EQ(rows[0].substr(0, 8), "| figure");
  EXPECT_EQ(rows[1].substr(0, 4), "| --");
  EXPECT_NE(rows[2].find("| 816 ms "), std::string::npos) << rows[2];
  EXPECT_NE(rows[2].find("| 748 ms "), std::string::npos) << rows[2];
  EXPECT_NE(rows[2].find("| 1.09 "), std::string::npos) << rows[2];
  EXPECT_NE(rows[2].find("| ratio <= 1.10 "), std::string::npos) << rows[2];
  EXPECT_NE(rows[2].find("| met "), std::string::npos) << rows[2];
  EXPECT_NE(rows[3].find("| 183457 msgs/s "), std::string::npos) << "no exponent: " << rows[3];
  EXPECT_NE(rows[3].find("| >= 104200 msgs/s "), std::string::npos) << rows[3];
  EXPECT_NE(rows[4].find("| MISSED |"), std::string::npos) << rows[4];
  EXPECT_NE(rows[4].find("| 12.3 ns "), std::string::npos) << rows[4];
  EXPECT_NE(rows[5].find("| 16.0 MiB "), std::string::npos) << rows[5];
  EXPECT_NE(rows[5].find(" | -  "), std::string::npos) << "no baseline: " << rows[5];
}

}  // namespace
