#include "stats.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace bench {

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) throw std::invalid_argument("no samples");
  if (!(p >= 0 && p <= 100)) throw std::invalid_argument("percentile outside 0..100");
  // Nearest rank: the smallest sample with at least p percent of the set at or below it.
  auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
  return sorted[rank == 0 ? 0 : rank - 1];
}

Summary Summarize(std::vector<double> samples) {
  if (samples.empty()) throw std::invalid_argument("no samples");
  std::sort(samples.begin(), samples.end());
  Summary s;
  s.count = samples.size();
  std::size_t mid = s.count / 2;
  s.median = s.count % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
  s.p90 = Percentile(samples, 90);
  s.p99 = Percentile(samples, 99);
  s.min = samples.front();
  s.max = samples.back();
  return s;
}

}  // namespace bench
