#include "bench/support/Figure.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

constexpr std::string_view kTag = "FIGURE";

struct GoalSyntax {
  Goal::Kind kind;
  std::string_view prefix;
};

constexpr GoalSyntax kGoalSyntax[] = {
    {Goal::Kind::RatioAtMost, "ratio<="},
    {Goal::Kind::RatioWithin, "ratio~"},
    {Goal::Kind::ValueAtLeast, "value>="},
    {Goal::Kind::ValueBelow, "value<"},
};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

std::optional<double> ParseNumber(std::string_view text) {
  double value = 0.0;
  const auto [rest, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (problem != std::errc() || rest != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

std::string GoalText(const Goal& goal) {
  for (const GoalSyntax& syntax : kGoalSyntax)
    if (syntax.kind == goal.kind) return std::string(syntax.prefix) + Number(goal.limit);
  return "-";
}

}  // namespace

std::string FormatFigure(const Figure& figure) {
  const std::string baseline = figure.baseline ? Number(*figure.baseline) : "-";
  return std::string(kTag) + '\t' + figure.name + '\t' + Number(figure.value) + '\t' + figure.unit + '\t' + baseline +
         '\t' + GoalText(figure.goal);
}

std::optional<Goal> ParseGoal(std::string_view text) {
  if (text == "-") return Goal{};
  for (const GoalSyntax& syntax : kGoalSyntax) {
    if (!text.starts_with(syntax.prefix)) continue;
    const auto limit = ParseNumber(text.substr(syntax.prefix.size()));
    if (!limit) return std::nullopt;
    return Goal{syntax.kind, *limit};
  }
  return std::nullopt;
}

std::optional<Figure> ParseFigure(std::string_view line) {
  const std::vector<std::string_view> fields = Fields(line);
  if (fields.size() != 6 || fields[0] != kTag || fields[1].empty()) return std::nullopt;
  const auto value = ParseNumber(fields[2]);
  const auto goal = ParseGoal(fields[5]);
  if (!value || !goal) return std::nullopt;
  Figure figure{std::string(fields[1]), *value, std::string(fields[3]), std::nullopt, *goal};
  if (fields[4] != "-") {
    figure.baseline = ParseNumber(fields[4]);
    if (!figure.baseline) return std::nullopt;
  }
  return figure;
}

}  // namespace bench
