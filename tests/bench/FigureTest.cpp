// The record a bench program prints for each figure, and how bench_table reads it back.
#include <gtest/gtest.h>

#include "bench/support/Figure.h"

namespace {

using bench::Figure;
using bench::Goal;

TEST(FigureRecord, IsOneTabSeparatedLine) {
  const Figure figure{"whole update, 256 frames", 816.25, "ms", 747.5, {Goal::Kind::RatioAtMost, 1.1}};
  EXPECT_EQ(bench::FormatFigure(figure), "FIGURE\twhole update, 256 frames\t816.25\tms\t747.5\tratio<=1.1");
  const Figure alone{"lent buffers", 16, "MiB", std::nullopt, {}};
  EXPECT_EQ(bench::FormatFigure(alone), "FIGURE\tlent buffers\t16\tMiB\t-\t-");
}

TEST(FigureRecord, ReadsBackWhatWasWrittenForEveryKindOfGoal) {
  for (const Goal goal : {Goal{}, Goal{Goal::Kind::RatioAtMost, 3}, Goal{Goal::Kind::RatioWithin, 0.1},
                          Goal{Goal::Kind::ValueBelow, 1000}, Goal{Goal::Kind::ValueAtLeast, 104200}}) {
    const Figure written{"a figure", 0.000123456, "us", 98765.4321, goal};
    const auto read = bench::ParseFigure(bench::FormatFigure(written));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->name, written.name);
    EXPECT_DOUBLE_EQ(read->value, written.value);
    EXPECT_EQ(read->unit, written.unit);
    ASSERT_TRUE(read->baseline.has_value());
    EXPECT_DOUBLE_EQ(*read->baseline, 98765.4321);
    EXPECT_EQ(read->goal.kind, goal.kind);
    EXPECT_DOUBLE_EQ(read->goal.limit, goal.limit);
  }
}

TEST(FigureRecord, AMissingBaselineStaysMissing) {
  const auto read = bench::ParseFigure("FIGURE\tstart-up\t412\tms\t-\t-");
  ASSERT_TRUE(read.has_value());
  EXPECT_FALSE(read->baseline.has_value());
  EXPECT_EQ(read->goal.kind, Goal::Kind::None);
}

TEST(FigureRecord, RefusesMalformedLines) {
  EXPECT_FALSE(bench::ParseFigure("FIGURE\tx\t1\tms\t2"));               // a field short
  EXPECT_FALSE(bench::ParseFigure("FIGURE\tx\t1\tms\t2\t-\textra"));     // a field too many
  EXPECT_FALSE(bench::ParseFigure("RESULT\tx\t1\tms\t2\t-"));            // another tag
  EXPECT_FALSE(bench::ParseFigure("FIGURE\t\t1\tms\t2\t-"));             // no name
  EXPECT_FALSE(bench::ParseFigure("FIGURE\tx\tfast\tms\t2\t-"));         // no number
  EXPECT_FALSE(bench::ParseFigure("FIGURE\tx\t1\tms\t2ms\t-"));          // trailing text
  EXPECT_FALSE(bench::ParseFigure("FIGURE\tx\t1\tms\t2\tratio<1"));      // unknown goal
  EXPECT_FALSE(bench::ParseFigure("FIGURE\tx\t1\tms\t2\tvalue>=many"));  // goal without a limit
}

}  // namespace
