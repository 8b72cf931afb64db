// RotServer's rotctld driver against a scripted rotctld on a virtual clock, and the reading of
// rotctld's replies as Hamlib 4.5's rotctld really sends them.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "rotserver/core/rotctld_reply.h"
#include "fakes/fake_rotctld.h"

namespace rotserver {
namespace {

using testing::FakeRotctld;
using Lines = std::vector<std::string>;

// What `rotctld -m 1` (Hamlib 4.5.4) answers to "+\dump_state" and to "\dump_state".
const char kExtendedDumpState[] =
    "dump_state:\nrotctld Protocol Ver: 1\nRotor Model: 1\nMinimum Azimuth: -180.000000\n"
    "Maximum Azimuth: 450.000000\nMinimum Elevation: 0.000000\nMaximum Elevation: 90.000000\n"
    "South Zero: 0\nrot_type=AzEl\ndone\nRPRT 0\n";
const Lines kKeyValueDumpState = {"1",
                                  "1",
                                  "min_az=-180.000000",
                                  "max_az=450.000000",
                                  "min_el=0.000000",
                                  "max_el=90.000000",
                                  "south_zero=0",
                                  "rot_type=AzEl",
                                  "done"};

std::vector<Millis> Gaps(const std::vector<Millis>& times, Millis from, Millis to) {
  std::vector<Millis> gaps;
  for (std::size_t i = 1; i < times.size(); ++i)
    if (times[i - 1] >= from && times[i] <= to) gaps.push_back(times[i] - times[i - 1]);
  return gaps;
}

TEST(RotserverRotctldReply, FramedByTheReportWhateverTheReadsLookLike) {
  std::string buffer;
  const std::string position = "get_pos:\r\nAzimuth: 12.50\r\nElevation: 3.00\r\nRPRT 0\r\n";
  for (std::size_t i = 0; i + 1 < position.size(); ++i) {
    buffer += position[i];
    ASSERT_FALSE(TakeReply(buffer)) << "after " << i + 1 << " bytes";
  }
  buffer += position.back();
  // Two more replies and the start of a third arrive in one read.
  buffer += "set_pos: 120 0\nRPRT -21\nstop:\nRPRT 0\nget_p";
  auto reply = TakeReply(buffer);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->name, "get_pos");
  EXPECT_EQ(reply->code, 0);
  auto pos = ParsePosition(reply->lines);
  ASSERT_TRUE(pos);
  EXPECT_DOUBLE_EQ(pos->azimuth, 12.5);
  EXPECT_DOUBLE_EQ(pos->elevation, 3.0);
  reply = TakeReply(buffer);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->name, "set_pos");
  EXPECT_EQ(reply->code, -21);
  EXPECT_TRUE(reply->lines.empty());
  EXPECT_EQ(TakeReply(buffer)->name, "stop");
  EXPECT_FALSE(TakeReply(buffer));
  EXPECT_EQ(buffer, "get_p");
}

TEST(RotserverRotctldReply, LimitsFromEveryDumpStateLayout) {
  std::string buffer = kExtendedDumpState;
  auto reply = TakeReply(buffer);
  ASSERT_TRUE(reply);
  struct Case {
    const char* what;
    Lines lines;
    double min_az, max_az;
    std::optional<ElevationLimits> elevation;
  } cases[] = {
      {"extended, protocol 1", reply->lines, -180, 450, ElevationLimits{0, 90}},
      {"key=value, protocol 1", kKeyValueDumpState, -180, 450, ElevationLimits{0, 90}},
      {"bare, protocol 0",
       {"0", "603", "0.000000", "360.000000", "0.000000", "0.000000"},
       0,
       360,
       ElevationLimits{0, 0}},
      {"extended, protocol 0, no maximum elevation",
       {"rotctld Protocol Ver: 0", "Rotor Model: 603", "Minimum Azimuth: -180.000000",
        "Maximum Azimuth: 180.000000", "Minimum Elevation: 0.000000"},
       -180,
       180,
       std::nullopt},
      // Given as they are: whether they can be believed is judged elsewhere.
      {"reversed", {"0", "1", "360", "0"}, 360, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    auto limits = ParseDumpState(c.lines);
    ASSERT_TRUE(limits) << c.what;
    EXPECT_EQ(limits->azimuth.min_az, c.min_az) << c.what;
    EXPECT_EQ(limits->azimuth.max_az, c.max_az) << c.what;
    ASSERT_EQ(limits->elevation.has_value(), c.elevation.has_value()) << c.what;
    if (c.elevation) {
      EXPECT_EQ(limits->elevation->min_el, c.elevation->min_el) << c.what;
      EXPECT_EQ(limits->elevation->max_el, c.elevation->max_el) << c.what;
    }
  }
  EXPECT_FALSE(ParseDumpState({"0", "1", "low", "high"}));
  EXPECT_FALSE(ParseDumpState({"Minimum Azimuth: 0", "Maximum Azimuth: inf"}));
  EXPECT_FALSE(ParseDumpState({}));
}

TEST(RotserverRotctld, AsksTheRangeThenPollsInExtendedMode) {
  FakeRotctld fake;
  fake.azimuth = 42.5;
  fake.chunk = 1;  // every reply arrives a byte at a time
  fake.Run(100);
  ASSERT_GE(fake.written.size(), 2u);
  EXPECT_EQ(fake.written[0].line, "+\\dump_state\n");
  EXPECT_EQ(fake.written[1].line, "+p\n");
  DriverStatus s = fake.driver.Status();
  EXPECT_EQ(s.link, LinkState::kConnected);
  EXPECT_EQ(s.limits_min, -180);
  EXPECT_EQ(s.limits_max, 450);
  ASSERT_TRUE(s.azimuth);
  EXPECT_DOUBLE_EQ(*s.azimuth, 42.5);
  EXPECT_EQ(s.last_error, "");
}

TEST(RotserverRotctld, UnansweredDumpStateAssumesAFullTurnAndTheLinkGoesOn) {
  FakeRotctld fake;
  fake.script = [](const std::string& line) -> std::optional<std::string> {
    if (line == "+\\dump_state") return "";  // an old daemon that does not know it
    return std::nullopt;
  };
  fake.Run(5900);
  EXPECT_EQ(fake.Lines(), Lines{"+\\dump_state\n"});  // nothing else while it is out
  fake.Run(200);
  DriverStatus s = fake.driver.Status();
  EXPECT_EQ(s.limits_min, 0);
  EXPECT_EQ(s.limits_max, 360);
  EXPECT_EQ(s.last_error, "range from dump_state not answered within 6 s: taken as 0..360");
  fake.Run(2000);
  EXPECT_GE(fake.Count("+p"), 2);
  EXPECT_EQ(fake.opens, 1);
  EXPECT_EQ(fake.driver.Status().link, LinkState::kConnected);
  // No answer is no proof: asked again on the next connection.
  fake.DropConnection();
  const std::size_t before = fake.written.size();
  fake.Run(1000);
  ASSERT_EQ(fake.opens, 2);
  ASSERT_GT(fake.written.size(), before);
  EXPECT_EQ(fake.written[before].line, "+\\dump_state\n");
}

TEST(RotserverRotctld, OutOfRangeAnswersAreShownAndNotRetried) {
  for (int code : {-1, -21}) {
    FakeRotctld fake;
    fake.script = [code](const std::string& line) -> std::optional<std::string> {
      if (line.rfind("+P ", 0) == 0) return "set_pos: 500 0\nRPRT " + std::to_string(code) + "\n";
      return std::nullopt;
    };
    fake.Run(100);
    fake.driver.MoveTo(500, std::nullopt, fake.now);
    fake.Run(10000);
    EXPECT_EQ(fake.Count("+P"), 1) << code;
    DriverStatus s = fake.driver.Status();
    EXPECT_EQ(s.link, LinkState::kConnected);
    std::string expected = code == -1
                               ? "target 500.0 refused: RPRT -1 (invalid parameter or out of range)"
                               : "target 500.0 refused: RPRT -21 (limit exceeded)";
    EXPECT_EQ(s.last_error, expected);
  }
}

TEST(RotserverRotctld, ClosedMidCommandReconnectsWithBackoffAndNeverReplaysTheTarget) {
  FakeRotctld fake;
  fake.Run(100);
  fake.latency_ms = 400;
  fake.driver.MoveTo(200, std::nullopt, fake.now);
  fake.Run(100);
  ASSERT_EQ(fake.written.back().line, "+P 200.00 0.00\n");
  fake.driver.MoveTo(210, std::nullopt, fake.now);  // waits for the answer to the first
  fake.accept_connections = false;
  Millis dropped = fake.now;
  fake.DropConnection();
  DriverStatus s = fake.driver.Status();
  EXPECT_EQ(s.link, LinkState::kReconnecting);
  EXPECT_EQ(s.reconnect_in_s, 1);
  EXPECT_EQ(s.last_error, "rotctld closed the connection (during set_pos)");
  fake.Run(12000);
  ASSERT_GE(fake.opens_at.size(), 7u);
  std::vector<Millis> pauses;
  Millis failed = dropped;
  for (std::size_t i = 1; i < 7; ++i) {
    pauses.push_back(fake.opens_at[i] - failed);
    failed = fake.opens_at[i] + 1;  // each attempt is refused a millisecond later
  }
  // Ticks come every 10 ms, so an attempt starts on the first tick after its pause.
  std::vector<Millis> expected = {250, 500, 1000, 2000, 4000, 4000};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_GE(pauses[i], expected[i]) << i;
    EXPECT_LT(pauses[i], expected[i] + 10) << i;
  }
  fake.Run(1000);
  EXPECT_EQ(fake.driver.Status().reconnect_in_s, 3);  // 4 s pause, partly over

  fake.latency_ms = 5;
  fake.accept_connections = true;
  std::size_t before = fake.written.size();
  fake.Run(8000);
  ASSERT_GT(fake.written.size(), before + 2);
  EXPECT_EQ(fake.written[before].line, "+\\dump_state\n");
  EXPECT_EQ(fake.Count("+P"), 1);  // the target from before the loss is not sent again
  EXPECT_EQ(fake.driver.Status().link, LinkState::kConnected);
  EXPECT_EQ(fake.driver.Status().last_error, "");

  // A connection that stays up half a minute ends the backoff: the next loss starts again
  // from a quarter second.
  fake.Run(30000);
  fake.DropConnection();
  Millis second = fake.now;
  fake.Run(400);
  EXPECT_EQ(fake.opens_at.back() - second, 250);
}

TEST(RotserverRotctld, HungDaemonOrConnectIsGivenUp) {
  FakeRotctld fake;
  fake.script = [](const std::string& line) -> std::optional<std::string> {
    if (line == "+p") return "";
    return std::nullopt;
  };
  std::vector<std::string> dropped;
  fake.driver.on_dropped = [&](const std::string& why) { dropped.push_back(why); };
  fake.Run(6100);
  EXPECT_EQ(fake.driver.Status().last_error, "no answer to get_pos within 6 s");
  EXPECT_EQ(dropped, Lines{"no answer to get_pos within 6 s"});
  EXPECT_EQ(fake.closes, 1);

  FakeRotctld silent;
  silent.answer_connect = false;
  silent.Run(3050);
  EXPECT_EQ(silent.driver.Status().link, LinkState::kReconnecting);
  EXPECT_EQ(silent.driver.Status().last_error, "no connection within 3 s");
  EXPECT_EQ(silent.closes, 1);
}

TEST(RotserverRotctld, PollsFastWhileTurningAndSlowWhenStill) {
  FakeRotctld fake;
  fake.azimuth = 0;
  fake.Run(5000);
  fake.driver.MoveTo(30, std::nullopt, fake.now);  // 5 s at 6 degrees a second
  Millis moved = fake.now;
  fake.Run(15000);
  std::vector<Millis> polls = fake.TimesOf("+p\n");
  for (Millis gap : Gaps(polls, 100, moved)) EXPECT_EQ(gap, 1000);
  std::vector<Millis> turning = Gaps(polls, moved, moved + 5000);
  ASSERT_GE(turning.size(), 15u);
  for (Millis gap : turning) {
    EXPECT_GE(gap, 250);
    EXPECT_LE(gap, 260);  // a poll waits for the target's answer
  }
  // Still again two seconds after the last change.
  std::vector<Millis> settled = Gaps(polls, moved + 8000, fake.now);
  ASSERT_GE(settled.size(), 5u);
  for (Millis gap : settled) EXPECT_EQ(gap, 1000);
  EXPECT_EQ(fake.driver.Status().direction, 0);
}

TEST(RotserverRotctld, SlowControllerSetsThePaceWithOneCommandOutstanding) {
  FakeRotctld fake;
  fake.latency_ms = 1000;
  fake.Run(3000);
  ASSERT_EQ(fake.outstanding, 1);  // a position query
  fake.driver.MoveTo(60, std::nullopt, fake.now);
  fake.driver.MoveTo(90, std::nullopt, fake.now);  // replaces the one still waiting for its turn
  fake.Run(20000);
  EXPECT_EQ(fake.max_outstanding, 1);
  for (Millis gap : Gaps(fake.TimesOf("+p\n"), 0, fake.now)) EXPECT_GE(gap, 1000);
  EXPECT_EQ(fake.Count("+P"), 1);
  EXPECT_EQ(fake.Count("+P 90.00"), 1);
  DriverStatus s = fake.driver.Status();
  EXPECT_NEAR(*s.azimuth, 90, 0.01);
  EXPECT_GT(s.reading_at, fake.now - 2100);
}

TEST(RotserverRotctld, AnAzimuthTurnHoldsTheElevationAxisAndAnAzimuthOnlyRotatorGetsZero) {
  struct Case {
    const char* what;
    const char* elevation_limits;  // \dump_state's, or none
    std::optional<double> shown;   // Status().elevation after a reading of 35
    std::optional<double> el_max;  // Status().el_max
    const char* kept;              // sent for a turn without an elevation
    const char* asked;             // sent for one with 40
  } cases[] = {
      {"azimuth and elevation (GS-232B, 603)", "0 180", 35.0, 180.0, "35.00", "40.00"},
      {"azimuth only (GS-232B azimuth, 611)", "0 0", std::nullopt, 0.0, "0.00", "0.00"},
      {"\\dump_state silent on elevation", nullptr, std::nullopt, std::nullopt, "35.00", "40.00"},
  };
  for (const Case& c : cases) {
    FakeRotctld fake;
    fake.dump_state_body = "Minimum Azimuth: -180.000000\nMaximum Azimuth: 450.000000\n";
    if (c.elevation_limits) {
      double min_el = 0, max_el = 0;
      std::sscanf(c.elevation_limits, "%lf %lf", &min_el, &max_el);
      fake.dump_state_body += "Minimum Elevation: " + std::to_string(min_el) +
                              "\nMaximum Elevation: " + std::to_string(max_el) + "\n";
    }
    fake.max_el = 90;  // whatever rotctld takes: what the driver sends is asked here
    fake.elevation = 35;
    fake.Run(100);
    DriverStatus s = fake.driver.Status();
    EXPECT_EQ(s.elevation, c.shown) << c.what;
    EXPECT_EQ(s.el_max, c.el_max) << c.what;
    fake.driver.MoveTo(200, std::nullopt, fake.now);
    fake.Run(100);
    fake.driver.MoveTo(210, 40, fake.now);
    fake.Run(100);
    EXPECT_EQ(fake.Count(std::string("+P 200.00 ") + c.kept + "\n"), 1) << c.what;
    EXPECT_EQ(fake.Count(std::string("+P 210.00 ") + c.asked + "\n"), 1) << c.what;
  }

  // An elevation no rotator has goes out whole, and rotctld's refusal names it.
  FakeRotctld fake;  // the dummy's range: elevation 0..90
  fake.Run(100);
  fake.driver.MoveTo(100, 1e308, fake.now);
  fake.Run(100);
  ASSERT_EQ(fake.Count("+P 100.00 1000"), 1);
  EXPECT_EQ(fake.written.back().line.back(), '\n');
  EXPECT_EQ(fake.driver.Status().last_error,
            "target 100.0 elevation 1e+308 refused: RPRT -1 (invalid parameter or out of range)");
  // A reading beyond the elevation range is no more believed than one beyond the azimuth's.
  fake.elevation = 300;
  fake.Run(1100);
  EXPECT_FALSE(fake.driver.Status().azimuth);
  EXPECT_EQ(fake.driver.Status().last_error,
            "implausible reading from rotctld: elevation 300.0 is outside the elevation range "
            "0.0..90.0");
}

}  // namespace
}  // namespace rotserver
