#include <gtest/gtest.h>

#include "bridge/rotator/number_text.h"

using vexal::TenthsText;
using vexal::WholeDegreeText;

namespace {

TEST(TenthsText, WholeAndHalfTenths) {
  EXPECT_EQ(TenthsText(0), "0");
  EXPECT_EQ(TenthsText(123), "1230");
  EXPECT_EQ(TenthsText(359.5), "3595");
  EXPECT_EQ(TenthsText(-179), "-1790");
  EXPECT_EQ(TenthsText(-5), "-50");
  EXPECT_EQ(TenthsText(-10000), "-100000");
  EXPECT_EQ(TenthsText(-0.0), "0");
  EXPECT_EQ(TenthsText(-0.04), "0");
}

TEST(TenthsText, ExactHalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(TenthsText(0.25), "2");
  EXPECT_EQ(TenthsText(0.75), "8");
  EXPECT_EQ(TenthsText(1.25), "12");
  EXPECT_EQ(TenthsText(-0.25), "-2");
  EXPECT_EQ(TenthsText(-0.75), "-8");
}

TEST(TenthsText, ProductIsNotRoundedToDoubleFirst) {
  // 0.15 is stored just below 0.15; times ten that is just below 1.5, which a double product
  // would round up to exactly 1.5 (and then to 2).
  EXPECT_EQ(TenthsText(0.15), "1");
  EXPECT_EQ(TenthsText(-0.15), "-1");
}

TEST(WholeDegreeText, HalvesRoundAwayFromZero) {
  EXPECT_EQ(WholeDegreeText(123.4), "123");
  EXPECT_EQ(WholeDegreeText(123.5), "124");
  EXPECT_EQ(WholeDegreeText(2.5), "3");
  EXPECT_EQ(WholeDegreeText(359.5), "360");
  EXPECT_EQ(WholeDegreeText(359.9), "360");
  EXPECT_EQ(WholeDegreeText(-0.5), "-1");
  EXPECT_EQ(WholeDegreeText(-719.9), "-720");
  // The largest double below one half must not be pushed up by adding 0.5.
  EXPECT_EQ(WholeDegreeText(0.49999999999999994), "0");
}

TEST(WholeDegreeText, MinusOnlyWhenTheRoundedNumberIsNotZero) {
  EXPECT_EQ(WholeDegreeText(0.0), "0");
  EXPECT_EQ(WholeDegreeText(-0.0), "0");
  EXPECT_EQ(WholeDegreeText(-0.4), "0");
  EXPECT_EQ(WholeDegreeText(-1.0), "-1");
}

TEST(WholeDegreeText, NotReducedModulo360) {
  EXPECT_EQ(WholeDegreeText(400.0), "400");
  EXPECT_EQ(WholeDegreeText(214748364.7), "214748365");
  EXPECT_EQ(WholeDegreeText(-214748004.8), "-214748005");
}

}  // namespace
