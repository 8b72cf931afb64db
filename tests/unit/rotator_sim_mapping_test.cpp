#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>

#include "sim_mapping.h"

using rotsim::AzimuthLimits;
using rotsim::PlanTarget;
using rotsim::TargetPlan;
using Kind = rotsim::TargetPlan::Kind;

namespace {

const AzimuthLimits kDummy{-180, 450};  // Hamlib's dummy rotator
const AzimuthLimits kNorthStop{0, 360};

TEST(RotatorSimUnits, TenthsRoundHalvesAwayFromZero) {
  EXPECT_EQ(rotsim::TenthsFromDegrees(120.0), 1200);
  EXPECT_EQ(rotsim::TenthsFromDegrees(15.61), 156);
  EXPECT_EQ(rotsim::TenthsFromDegrees(0.05), 1);
  EXPECT_EQ(rotsim::TenthsFromDegrees(-0.05), -1);
  EXPECT_EQ(rotsim::TenthsFromDegrees(-179.94), -1799);
}

TEST(RotatorSimUnits, RangeModeFollowsTheLowerLimit) {
  EXPECT_EQ(rotsim::RangeModeFor(kDummy), 0);
  EXPECT_EQ(rotsim::RangeModeFor({-0.1, 360}), 0);
  EXPECT_EQ(rotsim::RangeModeFor(kNorthStop), 1);
  EXPECT_EQ(rotsim::RangeModeFor({90, 450}), 1);
}

TEST(RotatorSimUnits, WellFormedCommandsAreTheGreetingAndThreeIntegerLines) {
  using namespace std::string_literals;
  EXPECT_TRUE(rotsim::IsWellFormedCommand("HS \r\n\0"s));
  EXPECT_TRUE(rotsim::IsWellFormedCommand("2450\r\n0\r\n0\r\n\0"s));
  EXPECT_TRUE(rotsim::IsWellFormedCommand("-1790\r\n0\r\n0\r\n\0"s));
  EXPECT_FALSE(rotsim::IsWellFormedCommand("2450\r\n0\r\n0\r\n"s));         // no NUL
  EXPECT_FALSE(rotsim::IsWellFormedCommand("2450\r\n0\r\n\0"s));            // two lines
  EXPECT_FALSE(rotsim::IsWellFormedCommand("2450\r\n0\r\n0\r\n0\r\n\0"s));  // four
  EXPECT_FALSE(rotsim::IsWellFormedCommand("2450\n0\n0\n\0"s));
  EXPECT_FALSE(rotsim::IsWellFormedCommand("-\r\n0\r\n0\r\n\0"s));
  EXPECT_FALSE(rotsim::IsWellFormedCommand("HS\r\n\0"s));
}

TEST(RotatorSimUnits, TargetIsLineOneOfThreeIntegerLinesWithTheNulOptional) {
  using namespace std::string_literals;
  EXPECT_EQ(rotsim::CommandTarget("2450\r\n0\r\n0\r\n\0"s), 2450);
  EXPECT_EQ(rotsim::CommandTarget("2450\r\n0\r\n0\r\n"s), 2450);  // NUL missing
  EXPECT_EQ(rotsim::CommandTarget("-1790\r\n1\r\n-2\r\n\0"s), -1790);
  EXPECT_EQ(rotsim::CommandTarget("99999\r\n0\r\n0\r\n\0"s), 99999);  // planning judges it
  EXPECT_EQ(rotsim::CommandTarget("HS \r\n\0"s), std::nullopt);
  EXPECT_EQ(rotsim::CommandTarget(""s), std::nullopt);
  EXPECT_EQ(rotsim::CommandTarget("1200\r\n0\r\n\0"s), std::nullopt);            // two lines
  EXPECT_EQ(rotsim::CommandTarget("1200\r\n0\r\n0\r\n0\r\n\0"s), std::nullopt);  // four
  EXPECT_EQ(rotsim::CommandTarget("1200\n0\n0\n\0"s), std::nullopt);
  EXPECT_EQ(rotsim::CommandTarget("\r\n0\r\n0\r\n\0"s), std::nullopt);      // empty line
  EXPECT_EQ(rotsim::CommandTarget("+120\r\n0\r\n0\r\n\0"s), std::nullopt);  // sign
  EXPECT_EQ(rotsim::CommandTarget("12 0\r\n0\r\n0\r\n\0"s), std::nullopt);
  EXPECT_EQ(rotsim::CommandTarget("1200\r\n0\r\n0x\r\n\0"s), std::nullopt);
  EXPECT_EQ(rotsim::CommandTarget("9999999999\r\n0\r\n0\r\n\0"s), std::nullopt);  // no int
  EXPECT_EQ(rotsim::CommandTarget("1200\r\n0\r\n0\r\n\0\0"s), std::nullopt);      // two NULs
}

TEST(RotatorSimTargets, ReducedIntoTheFrameOfTheRangeMode) {
  struct Case {
    int target;
    AzimuthLimits limits;
    double sent;
  };
  const Case cases[] = {
      {1200, kDummy, 120.0},     {3500, kDummy, -10.0},    {1800, kDummy, -180.0},
      {-1790, kDummy, -179.0},   {1790, kDummy, 179.0},    {0, kDummy, 0.0},
      {9990, kNorthStop, 279.0}, {-50, kNorthStop, 355.0}, {3600, kNorthStop, 0.0},
      {3595, kNorthStop, 359.5}, {10, kNorthStop, 1.0},    {-1800, {-180, 180}, -180.0},
  };
  for (const auto& c : cases) {
    TargetPlan plan = PlanTarget(c.target, c.limits, {});
    ASSERT_EQ(plan.kind, Kind::kMove) << c.target;
    EXPECT_DOUBLE_EQ(plan.azimuth, c.sent) << c.target;
  }
}

TEST(RotatorSimTargets, OutsideTheLimitsMovedByWholeTurnsNearestTheRotatorOrRefused) {
  // Limits 90..450: 45 only fits as 405.
  TargetPlan plan = PlanTarget(450, {90, 450}, {});
  ASSERT_EQ(plan.kind, Kind::kMove);
  EXPECT_DOUBLE_EQ(plan.azimuth, 405.0);
  // Limits -90..630: 300 is in the frame of range 0 as -60, which fits as it is...
  plan = PlanTarget(3000, {-90, 630}, {5000});
  ASSERT_EQ(plan.kind, Kind::kMove);
  EXPECT_DOUBLE_EQ(plan.azimuth, -60.0);
  // ...while 200 (-160) does not: 200 and 560 fit, and the rotator stands at 500.
  plan = PlanTarget(2000, {-90, 630}, {5000});
  ASSERT_EQ(plan.kind, Kind::kMove);
  EXPECT_DOUBLE_EQ(plan.azimuth, 560.0);
  plan = PlanTarget(2000, {-90, 630}, {100});
  EXPECT_DOUBLE_EQ(plan.azimuth, 200.0);
  // A rotator that covers only half the circle.
  plan = PlanTarget(2700, {0, 180}, {});
  EXPECT_EQ(plan.kind, Kind::kRefuse);
  EXPECT_NE(plan.reason.find("270.0"), std::string::npos) << plan.reason;
  EXPECT_EQ(PlanTarget(1800, {0, 180}, {}).kind, Kind::kMove);  // the end point itself
}

TEST(RotatorSimTargets, APositionReportedLatelyMeansStop) {
  std::deque<int> recent{1170, 1185, 1200};
  EXPECT_EQ(PlanTarget(1185, kDummy, recent).kind, Kind::kStop);
  // The bridge adds 360 to negative azimuths before it sends them back.
  std::deque<int> west{-120, -135};
  EXPECT_EQ(PlanTarget(3465, kDummy, west).kind, Kind::kStop);
  EXPECT_EQ(PlanTarget(1190, kDummy, recent).kind, Kind::kMove);
}

}  // namespace
