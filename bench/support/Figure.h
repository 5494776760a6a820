#pragma once

// One measured figure as a bench program reports it: its value, the baseline measured in the same
// run, and the goal it is held to. Bench programs print one record per line on standard output;
// bench_table gathers them into the table.

#include <optional>
#include <string>
#include <string_view>

namespace bench {

struct Goal {
  enum class Kind {
    None,          // reported only
    RatioAtMost,   // value / baseline <= limit
    RatioWithin,   // |value / baseline - 1| <= limit
    ValueBelow,    // value < limit
    ValueAtLeast,  // value >= limit
  };
  Kind kind = Kind::None;
  double limit = 0.0;
};

struct Figure {
  std::string name;
  double value = 0.0;
  std::string unit;
  std::optional<double> baseline;  // in the same unit
  Goal goal;
};

// "FIGURE<TAB>name<TAB>value<TAB>unit<TAB>baseline or -<TAB>goal", the goal written as one of
// "-", "ratio<=L", "ratio~L", "value<L", "value>=L".
std::string FormatFigure(const Figure& figure);
// None for a line that is no well-formed record.
std::optional<Figure> ParseFigure(std::string_view line);
std::optional<Goal> ParseGoal(std::string_view text);

}  // namespace bench
