// Summary figures of a set of timing samples, as the benchmark driver prints them.
#pragma once

#include <cstddef>
#include <vector>

namespace bench {

struct Summary {
  std::size_t count = 0;
  double median = 0;
  double p90 = 0;
  double p99 = 0;
  double min = 0;
  double max = 0;
};

// Nearest-rank percentile (p in 0..100) of samples sorted ascending; throws std::invalid_argument
// for an empty set or p outside 0..100.
double Percentile(const std::vector<double>& sorted, double p);

// Median is the mean of the two middle samples for an even count; throws std::invalid_argument
// for an empty set.
Summary Summarize(std::vector<double> samples);

}  // namespace bench
