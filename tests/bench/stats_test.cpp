#include <gtest/gtest.h>

#include <stdexcept>

#include "stats.h"

namespace bench {
namespace {

TEST(Summary, OddAndEvenCountsAndUnsortedInput) {
  Summary odd = Summarize({5, 1, 3});
  EXPECT_EQ(odd.count, 3u);
  EXPECT_DOUBLE_EQ(odd.median, 3);
  EXPECT_DOUBLE_EQ(odd.min, 1);
  EXPECT_DOUBLE_EQ(odd.max, 5);

  Summary even = Summarize({4, 1, 3, 2});
  EXPECT_DOUBLE_EQ(even.median, 2.5);
}

TEST(Summary, SingleSampleIsEveryFigure) {
  Summary s = Summarize({7.5});
  EXPECT_DOUBLE_EQ(s.median, 7.5);
  EXPECT_DOUBLE_EQ(s.p90, 7.5);
  EXPECT_DOUBLE_EQ(s.p99, 7.5);
  EXPECT_DOUBLE_EQ(s.min, 7.5);
  EXPECT_DOUBLE_EQ(s.max, 7.5);
}

TEST(Summary, TailPercentilesUseNearestRank) {
  // 1..100 in reverse: p90 is the 90th smallest, p99 the 99th, never interpolated.
  std::vector<double> samples;
  for (int i = 100; i >= 1; --i) samples.push_back(i);
  Summary s = Summarize(samples);
  EXPECT_DOUBLE_EQ(s.p90, 90);
  EXPECT_DOUBLE_EQ(s.p99, 99);

  // With 2000 samples one outlier in a hundred must not reach p99's rank 1980.
  std::vector<double> mostly_fast(2000, 100.0);
  for (int i = 0; i < 20; ++i) mostly_fast[i * 100] = 5000.0;
  EXPECT_DOUBLE_EQ(Summarize(mostly_fast).p99, 100.0);
  mostly_fast[1] = 5000.0;  // 21 outliers: now they reach rank 1980
  EXPECT_DOUBLE_EQ(Summarize(mostly_fast).p99, 5000.0);
}

TEST(Summary, RejectsEmptySetsAndBadPercentiles) {
  EXPECT_THROW(Summarize({}), std::invalid_argument);
  EXPECT_THROW(Percentile({}, 50), std::invalid_argument);
  EXPECT_THROW(Percentile({1, 2}, 101), std::invalid_argument);
  EXPECT_THROW(Percentile({1, 2}, -1), std::invalid_argument);
  EXPECT_DOUBLE_EQ(Percentile({1, 2}, 0), 1);
  EXPECT_DOUBLE_EQ(Percentile({1, 2}, 100), 2);
}

}  // namespace
}  // namespace bench
