#pragma once

// Summaries of repeated measurements.

#include <vector>

namespace bench {

// The q-quantile (0 ≤ q ≤ 1) of `samples`, interpolated linearly between the two nearest ranks,
// so that q = 0.5 of an even count is the mean of the middle two. Throws std::invalid_argument
// for no samples or a q outside [0, 1].
double Quantile(std::vector<double> samples, double q);

inline double Median(std::vector<double> samples) { return Quantile(std::move(samples), 0.5); }

}  // namespace bench
