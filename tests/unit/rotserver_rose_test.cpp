#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "rotserver/core/rose_geometry.h"
#include "rotserver/core/status_text.h"

namespace {

using rotserver::Arc;
using rotserver::CompassAt;
using rotserver::LinkState;
using rotserver::PointAt;
using rotserver::RangeOnCompass;
using rotserver::Rose;
using rotserver::ViewState;

const Rose kRose{100, 80, 50};

TEST(RotServerRose, NorthIsUpAndAnglesRunClockwise) {
  struct Case {
    double deg, x, y;
  };
  for (const Case& c : {Case{0, 100, 30}, Case{90, 150, 80}, Case{180, 100, 130}, Case{270, 50, 80},
                        Case{-90, 50, 80}, Case{450, 150, 80}}) {
    auto p = PointAt(kRose, c.deg);
    EXPECT_NEAR(p.x, c.x, 1e-9) << c.deg;
    EXPECT_NEAR(p.y, c.y, 1e-9) << c.deg;
  }
  auto half = PointAt(kRose, 225, 0.5);
  EXPECT_NEAR(half.x, 100 - 25 / std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(half.y, 80 + 25 / std::sqrt(2.0), 1e-9);
}

TEST(RotServerRose, ClickGivesTheWholeCompassDegreeOfItsDirection) {
  for (int deg : {0, 1, 45, 90, 135, 180, 225, 270, 300, 359}) {
    for (double fraction : {0.3, 1.0, 1.1}) {
      auto p = PointAt(kRose, deg, fraction);
      auto got = CompassAt(kRose, p.x, p.y);
      ASSERT_TRUE(got) << deg << " at " << fraction;
      EXPECT_EQ(*got, deg) << fraction;
    }
  }
  // Just west of north rounds up to 0, never to 360.
  auto p = PointAt(kRose, 359.7, 0.8);
  EXPECT_EQ(CompassAt(kRose, p.x, p.y), 0);
}

TEST(RotServerRose, ClickAtTheCentreOrOutsideTheRoseNamesNoDirection) {
  EXPECT_FALSE(CompassAt(kRose, 100, 80));
  EXPECT_FALSE(CompassAt(kRose, 102, 79));
  EXPECT_FALSE(CompassAt(kRose, 100, 80 - 60));  // beyond the ring
  EXPECT_FALSE(CompassAt(Rose{0, 0, 0}, 5, 5));
}

void ExpectArc(const Arc& arc, double start, double sweep, const char* what) {
  EXPECT_NEAR(arc.start, start, 1e-9) << what;
  EXPECT_NEAR(arc.sweep, sweep, 1e-9) << what;
}

TEST(RotServerRose, RangeUnder360LeavesTheRestUnreachable) {
  auto arcs = RangeOnCompass(-180, 90, 0);  // 270° from south through north to east
  ExpectArc(arcs.reachable, 180, 270, "reachable");
  ASSERT_TRUE(arcs.unreachable);
  ExpectArc(*arcs.unreachable, 90, 90, "unreachable");
  EXPECT_FALSE(arcs.overlap);
}

TEST(RotServerRose, Range360HasNeitherGapNorOverlap) {
  auto arcs = RangeOnCompass(0, 360, 0);
  ExpectArc(arcs.reachable, 0, 360, "reachable");
  EXPECT_FALSE(arcs.unreachable);
  EXPECT_FALSE(arcs.overlap);
}

TEST(RotServerRose, OverlapOfRangesOver360IsShadedFromTheStart) {
  auto arcs = RangeOnCompass(0, 450, 0);
  ExpectArc(arcs.reachable, 0, 360, "reachable");
  ASSERT_TRUE(arcs.overlap);
  ExpectArc(*arcs.overlap, 0, 90, "0..450");
  EXPECT_FALSE(arcs.unreachable);

  arcs = RangeOnCompass(-180, 450, 0);  // 630°: every heading but 90..180 twice
  ASSERT_TRUE(arcs.overlap);
  ExpectArc(*arcs.overlap, 180, 270, "-180..450");

  arcs = RangeOnCompass(0, 900, 0);  // never more than the whole circle
  ASSERT_TRUE(arcs.overlap);
  ExpectArc(*arcs.overlap, 0, 360, "0..900");
}

TEST(RotServerRose, CalibrationOffsetTurnsTheRangeOnTheCompass) {
  auto arcs = RangeOnCompass(0, 450, -20);
  ASSERT_TRUE(arcs.overlap);
  ExpectArc(*arcs.overlap, 340, 90, "overlap");
  arcs = RangeOnCompass(0, 180, 30);
  ExpectArc(arcs.reachable, 30, 180, "reachable");
  ExpectArc(*arcs.unreachable, 210, 180, "unreachable");
}

// The end stops show why a turn goes the long way: a 0..360 rotator cannot pass north.
TEST(RotServerRose, EndStopsSitWhereTheRangeBeginsAndEnds) {
  struct Case {
    double min, max, offset;
    std::vector<double> stops;
  };
  for (const Case& c :
       {Case{0, 360, 0, {0}}, Case{-180, 180, 0, {180}}, Case{0, 450, 0, {0, 90}},
        Case{-180, 90, 0, {180, 90}}, Case{0, 360, -20, {340}}, Case{0, 450, 30, {30, 120}}}) {
    const auto stops = RangeOnCompass(c.min, c.max, c.offset).stops;
    ASSERT_EQ(stops.size(), c.stops.size()) << c.min << ".." << c.max;
    for (size_t i = 0; i < stops.size(); ++i)
      EXPECT_NEAR(stops[i], c.stops[i], 1e-9) << c.min << ".." << c.max << " stop " << i;
  }
}

TEST(RotServerRose, TurnArrowPointsTheWayTheRotatorTurns) {
  EXPECT_FALSE(rotserver::TurnArrow(kRose, 0, 0, 0.9));
  auto right = rotserver::TurnArrow(kRose, 0, 1, 0.9);
  auto left = rotserver::TurnArrow(kRose, 0, -1, 0.9);
  ASSERT_TRUE(right && left);
  // From north, clockwise heads east (x grows), anticlockwise west.
  EXPECT_GT(right->head[0].x, right->shaft.front().x + 20);
  EXPECT_LT(left->head[0].x, left->shaft.front().x - 20);
  EXPECT_GT(right->head[0].x, right->shaft.back().x) << "the tip lies beyond the shaft";
}

ViewState Live() {
  ViewState s;
  s.backend_label = "rotctld 127.0.0.1:4533";
  s.link = LinkState::kConnected;
  s.azimuth = 123.4;
  return s;
}

TEST(RotServerStatusText, StatusLineTellsBackendLinkAndError) {
  ViewState s = Live();
  EXPECT_EQ(rotserver::StatusLine(s), "rotctld 127.0.0.1:4533: connected");
  s.link = LinkState::kConnecting;
  EXPECT_EQ(rotserver::StatusLine(s), "rotctld 127.0.0.1:4533: connecting");
  s.link = LinkState::kReconnecting;
  s.reconnect_in_s = 4;
  s.last_error = "connection refused";
  EXPECT_EQ(rotserver::StatusLine(s),
            "rotctld 127.0.0.1:4533: reconnecting in 4 s (connection refused)");
  s.link = LinkState::kConnected;
  s.last_error = "target out of range (RPRT -21)";
  EXPECT_EQ(rotserver::StatusLine(s),
            "rotctld 127.0.0.1:4533: connected (target out of range (RPRT -21))");
  s.link = LinkState::kFailed;
  s.last_error = "invalid address (RPRT -1)";
  EXPECT_EQ(rotserver::StatusLine(s), "rotctld 127.0.0.1:4533: invalid address (RPRT -1)");
  s.last_error.clear();
  s.backend_label = "simulated";
  EXPECT_EQ(rotserver::StatusLine(s), "simulated: not working");
}

TEST(RotServerStatusText, StaleTextOnlyWhenTheHeadingIsNotLive) {
  ViewState s = Live();
  EXPECT_EQ(rotserver::StaleText(s), "");
  s.stale = true;
  s.seconds_since_reading = 7;
  EXPECT_EQ(rotserver::StaleText(s), "no reading for 7 s");
  s.azimuth.reset();
  EXPECT_EQ(rotserver::StaleText(s), "no reading yet");
}

}  // namespace
