#include <gtest/gtest.h>

#include <stdexcept>

#include "options.h"
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

TEST(Options, ReadsValuesAndFallbacks) {
  Options o({"--service", "Logger32Vexal", "--count", "2000"}, {"service", "count", "topic"});
  EXPECT_EQ(o.Required("service"), "Logger32Vexal");
  EXPECT_EQ(o.Number("count", 1, 1, 5000), 2000);
  EXPECT_EQ(o.Text("topic", "AntDaten"), "AntDaten");
  EXPECT_EQ(o.Number("warmup", 50, 0, 100), 50);
  EXPECT_FALSE(o.Has("topic"));
  // A value may itself look like anything, even an option.
  Options title({"--title", "--odd title--"}, {"title"});
  EXPECT_EQ(title.Required("title"), "--odd title--");
}

TEST(Options, RejectsMalformedCommandLines) {
  const std::vector<std::string_view> known{"count", "exe"};
  EXPECT_THROW(Options({"count", "5"}, known), std::invalid_argument);
  EXPECT_THROW(Options({"--"}, known), std::invalid_argument);
  EXPECT_THROW(Options({"--runs", "5"}, known), std::invalid_argument);
  EXPECT_THROW(Options({"--count"}, known), std::invalid_argument);
  EXPECT_THROW(Options({"--count", "1", "--count", "2"}, known), std::invalid_argument);
  EXPECT_THROW(Options({}, known).Required("exe"), std::invalid_argument);
}

TEST(Options, NumbersMustBeWholeAndInRange) {
  const std::vector<std::string_view> known{"n"};
  auto number = [&](const char* text) {
    return Options({"--n", text}, known).Number("n", 0, 1, 100);
  };
  EXPECT_EQ(number("1"), 1);
  EXPECT_EQ(number("100"), 100);
  for (const char* bad : {"0", "101", "-5", "", "12x", "1.5", " 5", "+5", "99999999999999999999"})
    EXPECT_THROW(number(bad), std::invalid_argument) << "'" << bad << "'";
}

}  // namespace
}  // namespace bench
