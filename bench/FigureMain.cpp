// bench_figure: makes the record of a figure measured by a script from its samples, each side
// summarised by its median.
//   bench_figure NAME UNIT GOAL VALUE... [--baseline BASELINE...]
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/Figure.h"
#include "bench/support/Stats.h"

namespace {

int Usage() {
  std::cerr << "usage: bench_figure NAME UNIT GOAL VALUE... [--baseline BASELINE...]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return Usage();
  const auto goal = bench::ParseGoal(argv[3]);
  if (!goal) return Usage();
  std::vector<double> values;
  std::vector<double> baselines;
  std::vector<double>* samples = &values;
  for (int i = 4; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--baseline") {
      samples = &baselines;
      continue;
    }
    char* end = nullptr;
    samples->push_back(std::strtod(argument.c_str(), &end));
    if (end == argument.c_str() || *end != '\0') return Usage();
  }
  if (values.empty() || (samples == &baselines && baselines.empty())) return Usage();
  bench::Figure figure{argv[1], bench::Median(values), argv[2], std::nullopt, *goal};
  if (!baselines.empty()) figure.baseline = bench::Median(baselines);
  std::cout << bench::FormatFigure(figure) << '\n';
  return 0;
}
