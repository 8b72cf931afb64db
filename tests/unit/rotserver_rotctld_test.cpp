// RotServer's rotctld driver against a scripted rotctld on a virtual clock, and the reading of
// rotctld's replies as Hamlib 4.5's rotctld really sends them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rotserver/core/rotctld_reply.h"
#include "rotserver_rotctld_bench.h"

namespace rotserver {
namespace {

using testing::RotctldBench;
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
  } cases[] = {
      {"extended, protocol 1", reply->lines, -180, 450},
      {"key=value, protocol 1", kKeyValueDumpState, -180, 450},
      {"bare, protocol 0", {"0", "603", "0.000000", "360.000000", "0.000000", "90.000000"}, 0, 360},
      {"extended, protocol 0",
       {"rotctld Protocol Ver: 0", "Rotor Model: 603", "Minimum Azimuth: -180.000000",
        "Maximum Azimuth: 180.000000", "Minimum Elevation: 0.000000"},
       -180,
       180},
  };
  for (const Case& c : cases) {
    auto limits = ParseDumpState(c.lines);
    ASSERT_TRUE(limits) << c.what;
    EXPECT_EQ(limits->min_az, c.min_az) << c.what;
    EXPECT_EQ(limits->max_az, c.max_az) << c.what;
  }
  EXPECT_FALSE(ParseDumpState({"0", "1", "360", "0"}));  // reversed
  EXPECT_FALSE(ParseDumpState({"0", "1", "low", "high"}));
  EXPECT_FALSE(ParseDumpState({}));
}

TEST(RotserverRotctld, AsksTheRangeThenPollsInExtendedMode) {
  RotctldBench bench;
  bench.azimuth = 42.5;
  bench.chunk = 1;  // every reply arrives a byte at a time
  bench.Run(100);
  ASSERT_GE(bench.written.size(), 2u);
  EXPECT_EQ(bench.written[0].line, "+\\dump_state\n");
  EXPECT_EQ(bench.written[1].line, "+p\n");
  DriverStatus s = bench.driver.Status();
  EXPECT_EQ(s.link, LinkState::kConnected);
  EXPECT_EQ(s.limits_min, -180);
  EXPECT_EQ(s.limits_max, 450);
  ASSERT_TRUE(s.azimuth);
  EXPECT_DOUBLE_EQ(*s.azimuth, 42.5);
  EXPECT_EQ(s.last_error, "");
}

TEST(RotserverRotctld, UnansweredDumpStateAssumesAFullTurnAndTheLinkGoesOn) {
  RotctldBench bench;
  bench.script = [](const std::string& line) -> std::optional<std::string> {
    if (line == "+\\dump_state") return "";  // an old daemon that does not know it
    return std::nullopt;
  };
  bench.Run(5900);
  EXPECT_EQ(bench.Lines(), Lines{"+\\dump_state\n"});  // nothing else while it is out
  bench.Run(200);
  // No answer is no proof: asked again on the next connection.
  EXPECT_FALSE(bench.driver.unsupported().count("dump_state"));
  DriverStatus s = bench.driver.Status();
  EXPECT_EQ(s.limits_min, 0);
  EXPECT_EQ(s.limits_max, 360);
  EXPECT_EQ(s.last_error, "range from dump_state not answered within 6 s: taken as 0..360");
  bench.Run(2000);
  EXPECT_GE(bench.Count("+p"), 2);
  EXPECT_EQ(bench.opens, 1);
  EXPECT_EQ(bench.driver.Status().link, LinkState::kConnected);
}

TEST(RotserverRotctld, OutOfRangeAnswersAreShownAndNotRetried) {
  for (int code : {-1, -21}) {
    RotctldBench bench;
    bench.script = [code](const std::string& line) -> std::optional<std::string> {
      if (line.rfind("+P ", 0) == 0) return "set_pos: 500 0\nRPRT " + std::to_string(code) + "\n";
      return std::nullopt;
    };
    bench.Run(100);
    bench.driver.MoveTo(500, bench.now);
    bench.Run(10000);
    EXPECT_EQ(bench.Count("+P"), 1) << code;
    DriverStatus s = bench.driver.Status();
    EXPECT_EQ(s.link, LinkState::kConnected);
    std::string expected = code == -1
                               ? "target 500.0 refused: RPRT -1 (invalid parameter or out of range)"
                               : "target 500.0 refused: RPRT -21 (limit exceeded)";
    EXPECT_EQ(s.last_error, expected);
  }
}

TEST(RotserverRotctld, ClosedMidCommandReconnectsWithBackoffAndNeverReplaysTheTarget) {
  RotctldBench bench;
  bench.Run(100);
  bench.latency_ms = 400;
  bench.driver.MoveTo(200, bench.now);
  bench.Run(100);
  ASSERT_EQ(bench.written.back().line, "+P 200.00 0.00\n");
  bench.driver.MoveTo(210, bench.now);  // waits for the answer to the first
  bench.accept_connections = false;
  Millis dropped = bench.now;
  bench.DropConnection();
  DriverStatus s = bench.driver.Status();
  EXPECT_EQ(s.link, LinkState::kReconnecting);
  EXPECT_EQ(s.reconnect_in_s, 1);
  EXPECT_EQ(s.last_error, "rotctld closed the connection (during set_pos)");
  bench.Run(12000);
  ASSERT_GE(bench.opens_at.size(), 7u);
  std::vector<Millis> pauses;
  Millis failed = dropped;
  for (std::size_t i = 1; i < 7; ++i) {
    pauses.push_back(bench.opens_at[i] - failed);
    failed = bench.opens_at[i] + 1;  // each attempt is refused a millisecond later
  }
  // Ticks come every 10 ms, so an attempt starts on the first tick after its pause.
  std::vector<Millis> expected = {250, 500, 1000, 2000, 4000, 4000};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_GE(pauses[i], expected[i]) << i;
    EXPECT_LT(pauses[i], expected[i] + 10) << i;
  }
  bench.Run(1000);
  EXPECT_EQ(bench.driver.Status().reconnect_in_s, 3);  // 4 s pause, partly over

  bench.latency_ms = 5;
  bench.accept_connections = true;
  std::size_t before = bench.written.size();
  bench.Run(8000);
  ASSERT_GT(bench.written.size(), before + 2);
  EXPECT_EQ(bench.written[before].line, "+\\dump_state\n");
  EXPECT_EQ(bench.Count("+P"), 1);  // the target from before the loss is not sent again
  EXPECT_EQ(bench.driver.Status().link, LinkState::kConnected);
  EXPECT_EQ(bench.driver.Status().last_error, "");

  // A connection that stays up half a minute ends the backoff: the next loss starts again
  // from a quarter second.
  bench.Run(30000);
  bench.DropConnection();
  Millis second = bench.now;
  bench.Run(400);
  EXPECT_EQ(bench.opens_at.back() - second, 250);
}

TEST(RotserverRotctld, HungDaemonOrConnectIsGivenUp) {
  RotctldBench bench;
  bench.script = [](const std::string& line) -> std::optional<std::string> {
    if (line == "+p") return "";
    return std::nullopt;
  };
  std::vector<std::string> dropped;
  bench.driver.on_dropped = [&](const std::string& why) { dropped.push_back(why); };
  bench.Run(6100);
  EXPECT_EQ(bench.driver.Status().last_error, "no answer to get_pos within 6 s");
  EXPECT_EQ(dropped, Lines{"no answer to get_pos within 6 s"});
  EXPECT_EQ(bench.closes, 1);

  RotctldBench silent;
  silent.answer_connect = false;
  silent.Run(3050);
  EXPECT_EQ(silent.driver.Status().link, LinkState::kReconnecting);
  EXPECT_EQ(silent.driver.Status().last_error, "no connection within 3 s");
  EXPECT_EQ(silent.closes, 1);
}

TEST(RotserverRotctld, PollsFastWhileTurningAndSlowWhenStill) {
  RotctldBench bench;
  bench.azimuth = 0;
  bench.Run(5000);
  bench.driver.MoveTo(30, bench.now);  // 5 s at 6 degrees a second
  Millis moved = bench.now;
  bench.Run(15000);
  std::vector<Millis> polls = bench.TimesOf("+p\n");
  for (Millis gap : Gaps(polls, 100, moved)) EXPECT_EQ(gap, 1000);
  std::vector<Millis> turning = Gaps(polls, moved, moved + 5000);
  ASSERT_GE(turning.size(), 15u);
  for (Millis gap : turning) {
    EXPECT_GE(gap, 250);
    EXPECT_LE(gap, 260);  // a poll waits for the target's answer
  }
  // Still again two seconds after the last change.
  std::vector<Millis> settled = Gaps(polls, moved + 8000, bench.now);
  ASSERT_GE(settled.size(), 5u);
  for (Millis gap : settled) EXPECT_EQ(gap, 1000);
  EXPECT_EQ(bench.driver.Status().direction, 0);
}

TEST(RotserverRotctld, SlowControllerSetsThePaceWithOneCommandOutstanding) {
  RotctldBench bench;
  bench.latency_ms = 1000;
  bench.Run(3000);
  ASSERT_EQ(bench.outstanding, 1);  // a position query
  bench.driver.MoveTo(60, bench.now);
  bench.driver.MoveTo(90, bench.now);  // replaces the one still waiting for its turn
  bench.Run(20000);
  EXPECT_EQ(bench.max_outstanding, 1);
  for (Millis gap : Gaps(bench.TimesOf("+p\n"), 0, bench.now)) EXPECT_GE(gap, 1000);
  EXPECT_EQ(bench.Count("+P"), 1);
  EXPECT_EQ(bench.Count("+P 90.00"), 1);
  DriverStatus s = bench.driver.Status();
  EXPECT_NEAR(*s.azimuth, 90, 0.01);
  EXPECT_GT(s.reading_at, bench.now - 2100);
}

}  // namespace
}  // namespace rotserver
