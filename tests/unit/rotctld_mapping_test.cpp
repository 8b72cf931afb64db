#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "rotctld_mapping.h"

using rotsim::AzimuthLimits;
using rotsim::DirectionTracker;
using rotsim::PlanTarget;
using rotsim::TargetPlan;
using Kind = rotsim::TargetPlan::Kind;

namespace {

const AzimuthLimits kDummy{-180, 450};  // Hamlib's dummy rotator
const AzimuthLimits kNorthStop{0, 360};

TEST(RotctldBridgeUnits, TenthsRoundHalvesAwayFromZero) {
  EXPECT_EQ(rotsim::TenthsFromDegrees(120.0), 1200);
  EXPECT_EQ(rotsim::TenthsFromDegrees(15.61), 156);
  EXPECT_EQ(rotsim::TenthsFromDegrees(0.05), 1);
  EXPECT_EQ(rotsim::TenthsFromDegrees(-0.05), -1);
  EXPECT_EQ(rotsim::TenthsFromDegrees(-179.94), -1799);
}

TEST(RotctldBridgeUnits, RangeModeFollowsTheLowerLimit) {
  EXPECT_EQ(rotsim::RangeModeFor(kDummy), 0);
  EXPECT_EQ(rotsim::RangeModeFor({-0.1, 360}), 0);
  EXPECT_EQ(rotsim::RangeModeFor(kNorthStop), 1);
  EXPECT_EQ(rotsim::RangeModeFor({90, 450}), 1);
}

TEST(RotctldBridgeUnits, TargetIsLineOneOfACommandOnly) {
  EXPECT_EQ(rotsim::TargetFromCommand(std::string("1200\r\n0\r\n0\r\n\0", 13)), 1200);
  EXPECT_EQ(rotsim::TargetFromCommand("-1790\r\n0\r\n0\r\n"), -1790);
  EXPECT_FALSE(rotsim::TargetFromCommand(std::string("HS \r\n\0", 6)));
  EXPECT_FALSE(rotsim::TargetFromCommand("\r\n0\r\n"));
  EXPECT_FALSE(rotsim::TargetFromCommand("12.5\r\n"));
}

TEST(RotctldBridgeUnits, WellFormedCommandsAreTheGreetingAndThreeIntegerLines) {
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

TEST(RotctldBridgeUnits, StatusMacroHasTenLinesWithAzimuthDirectionAndRange) {
  EXPECT_EQ(rotsim::StatusMacroText(-100000, -1, 1),
            "-100000\r\n0\r\n-1\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n");
}

TEST(RotctldTargets, ReducedIntoTheFrameOfTheRangeMode) {
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

TEST(RotctldTargets, OutsideTheLimitsMovedByWholeTurnsNearestTheRotatorOrRefused) {
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

TEST(RotctldTargets, APositionReportedLatelyMeansStop) {
  std::deque<int> recent{1170, 1185, 1200};
  EXPECT_EQ(PlanTarget(1185, kDummy, recent).kind, Kind::kStop);
  // The bridge adds 360 to negative azimuths before it sends them back.
  std::deque<int> west{-120, -135};
  EXPECT_EQ(PlanTarget(3465, kDummy, west).kind, Kind::kStop);
  EXPECT_EQ(PlanTarget(1190, kDummy, recent).kind, Kind::kMove);
}

TEST(RotctldDirection, FollowsMovementBeyondTheDeadBand) {
  DirectionTracker d(5, 2);
  EXPECT_EQ(d.Update(0), 0);  // one reading says nothing
  EXPECT_EQ(d.Update(15), 1);
  EXPECT_EQ(d.Update(30), 1);
  EXPECT_EQ(d.Update(15), -1);
  // Jitter within the band: still turning for one reading, then standing.
  EXPECT_EQ(d.Update(17), -1);
  EXPECT_EQ(d.Update(13), 0);
  EXPECT_EQ(d.Update(16), 0);
}

TEST(RotctldDirection, SlowMovementAddsUp) {
  DirectionTracker d(5, 2);
  d.Update(100);
  EXPECT_EQ(d.Update(103), 0);
  EXPECT_EQ(d.Update(106), 1);  // 6 tenths since the anchor
  EXPECT_EQ(d.Update(109), 1);  // within the band once: still turning
  EXPECT_EQ(d.Update(112), 1);
  d.Reset();
  EXPECT_EQ(d.direction(), 0);
  EXPECT_EQ(d.Update(500), 0);  // a jump after a reconnect is no movement
}

TEST(RotctldReconnect, PauseDoublesFromAQuarterSecondUpToFourSeconds) {
  using std::chrono::milliseconds;
  EXPECT_EQ(rotsim::ReconnectDelay(1), milliseconds(250));
  EXPECT_EQ(rotsim::ReconnectDelay(2), milliseconds(500));
  EXPECT_EQ(rotsim::ReconnectDelay(5), milliseconds(4000));
  EXPECT_EQ(rotsim::ReconnectDelay(6), milliseconds(4000));
  EXPECT_EQ(rotsim::ReconnectDelay(4000000000u), milliseconds(4000));
}

}  // namespace
