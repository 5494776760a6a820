#include "bench/support/Stats.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace bench {

double Quantile(std::vector<double> samples, double q) {
  if (samples.empty()) throw std::invalid_argument("a quantile of no samples");
  if (!(q >= 0.0 && q <= 1.0)) throw std::invalid_argument("a quantile outside 0 to 1");
  const double rank = q * static_cast<double>(samples.size() - 1);
  const auto below = static_cast<std::ptrdiff_t>(std::floor(rank));
  std::nth_element(samples.begin(), samples.begin() + below, samples.end());
  const double low = samples[static_cast<std::size_t>(below)];
  // Everything after the partition point is at least `low`; the next rank is the least of it.
  const auto next = samples.begin() + below + 1;
  const double high = next == samples.end() ? low : *std::min_element(next, samples.end());
  return low + (rank - static_cast<double>(below)) * (high - low);
}

}  // namespace bench
