#include "bench/support/Table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace bench {

namespace {

constexpr std::size_t kColumns = 6;
using Row = std::array<std::string, kColumns>;

// Three significant digits, but never exponents or decimals for large values.
std::string Readable(double value) {
  char text[32];
  const double size = std::fabs(value);
  const int decimals = size >= 100 ? 0 : size >= 10 ? 1 : size >= 1 ? 2 : 3;
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string WithUnit(double value, const std::string& unit) {
  return unit.empty() ? Readable(value) : Readable(value) + " " + unit;
}

std::string DescribeGoal(const Figure& figure) {
  const Goal& goal = figure.goal;
  switch (goal.kind) {
    case Goal::Kind::RatioAtMost:
      return "ratio <= " + Readable(goal.limit);
    case Goal::Kind::RatioWithin:
      return "ratio " + Readable(1.0 - goal.limit) + " to " + Readable(1.0 + goal.limit);
    case Goal::Kind::ValueBelow:
      return "< " + WithUnit(goal.limit, figure.unit);
    case Goal::Kind::ValueAtLeast:
      return ">= " + WithUnit(goal.limit, figure.unit);
    case Goal::Kind::None:
      break;
  }
  return "-";
}

Row RowOf(const Figure& figure) {
  const std::optional<double> ratio = Ratio(figure);
  static constexpr const char* kVerdicts[] = {"-", "met", "MISSED"};
  return {figure.name,
          WithUnit(figure.value, figure.unit),
          figure.baseline ? WithUnit(*figure.baseline, figure.unit) : "-",
          ratio ? Readable(*ratio) : "-",
          DescribeGoal(figure),
          kVerdicts[static_cast<int>(Judge(figure))]};
}

std::string Line(const Row& row, const std::array<std::size_t, kColumns>& widths) {
  std::string line = "|";
  for (std::size_t column = 0; column < kColumns; ++column)
    line += " " + row[column] + std::string(widths[column] - row[column].size(), ' ') + " |";
  return line + "\n";
}

}  // namespace

std::optional<double> Ratio(const Figure& figure) {
  if (!figure.baseline || !(*figure.baseline > 0.0)) return std::nullopt;
  return figure.value / *figure.baseline;
}

Verdict Judge(const Figure& figure) {
  const Goal& goal = figure.goal;
  if (goal.kind == Goal::Kind::None) return Verdict::NoGoal;
  const std::optional<double> ratio = Ratio(figure);
  bool met = false;
  switch (goal.kind) {
    case Goal::Kind::RatioAtMost:
      met = ratio && *ratio <= goal.limit;
      break;
    case Goal::Kind::RatioWithin:
      met = ratio && std::fabs(*ratio - 1.0) <= goal.limit;
      break;
    case Goal::Kind::ValueBelow:
      met = figure.value < goal.limit;
      break;
    case Goal::Kind::ValueAtLeast:
      met = figure.value >= goal.limit;
      break;
    case Goal::Kind::None:
      break;
  }
  return met ? Verdict::Met : Verdict::Missed;
}

std::string RenderTable(const std::vector<Figure>& figures) {
  std::vector<Row> rows{{"figure", "value", "baseline", "ratio", "goal", "met"}};
  for (const Figure& figure : figures) rows.push_back(RowOf(figure));
  std::array<std::size_t, kColumns> widths{};
  for (const Row& row : rows)
    for (std::size_t column = 0; column < kColumns; ++column)
      widths[column] = std::max(widths[column], row[column].size());
  Row rule;
  for (std::size_t column = 0; column < kColumns; ++column) rule[column] = std::string(widths[column], '-');
  std::string table = Line(rows.front(), widths) + Line(rule, widths);
  for (std::size_t row = 1; row < rows.size(); ++row) table += Line(rows[row], widths);
  return table;
}

}  // namespace bench
