#pragma once

// The one table `make bench` prints: each figure with its baseline, their ratio, the goal and
// whether it is met, as a Markdown table padded for the terminal.

#include <optional>
#include <string>
#include <vector>

#include "bench/support/Figure.h"

namespace bench {

enum class Verdict { NoGoal, Met, Missed };

// value / baseline; none without a positive baseline.
std::optional<double> Ratio(const Figure& figure);
// A figure that cannot be judged (no baseline for a ratio goal, a value that is not a number)
// has missed its goal.
Verdict Judge(const Figure& figure);

std::string RenderTable(const std::vector<Figure>& figures);

}  // namespace bench
