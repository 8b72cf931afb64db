// RotServer's rotctld driver against a hostile or struggling rotctld: report codes at the
// edge of an int, replies nobody asked for, a Stop that cannot stop, a late range, readings
// that cannot be true, a daemon that keeps dropping the link, a controller slow while its
// driver retries, replies with a stray line in front.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "rotserver/core/bridge_door.h"
#include "rotserver/core/front_end.h"
#include "rotserver/core/rotctld_reply.h"
#include "fakes/fake_rotctld.h"

namespace rotserver {
namespace {

using testing::FakeRotctld;
using Lines = std::vector<std::string>;

std::string PositionReply(const std::string& azimuth) {
  return "get_pos:\nAzimuth: " + azimuth + "\nElevation: 0.00\nRPRT 0\n";
}

// These command lines get these replies ("" for none); the rest the fake's usual ones.
void Script(FakeRotctld& fake, std::map<std::string, std::string> replies) {
  fake.script = [replies](const std::string& line) -> std::optional<std::string> {
    auto it = replies.find(line);
    if (it == replies.end()) return std::nullopt;
    return it->second;
  };
}

TEST(RotserverRotctldFaults, EveryReportCodeIsToldAndUnaskedOrEndlessRepliesDropTheLink) {
  EXPECT_EQ(ReportText(INT_MIN), "RPRT -2147483648");
  EXPECT_EQ(ReportText(-22), "RPRT -22 (access denied)");
  struct Case {
    std::string stream;  // the answer to the first position query
    std::string reason;
  } cases[] = {
      {PositionReply("10.00") + "RPRT 0\nRPRT 0\n",
       "protocol fault: a reply with no command pending: \"RPRT 0\\n\""},
      {PositionReply("10.00") + std::string(70000, 'y'),
       "rotctld sends no readable replies (70000 bytes without a report)"},
  };
  for (const Case& c : cases) {
    FakeRotctld fake;
    Script(fake, {{"+p", c.stream}});
    std::vector<std::string> dropped;
    fake.driver.on_dropped = [&](const std::string& why) { dropped.push_back(why); };
    fake.Run(100);
    EXPECT_EQ(dropped, Lines{c.reason});
    EXPECT_EQ(fake.driver.Status().link, LinkState::kReconnecting);
    EXPECT_EQ(fake.driver.Status().last_error, c.reason);
  }
}

TEST(RotserverRotctldFaults, StopHoldsOnlyAtAFreshReadingOfThisConnection) {
  FakeRotctld fake;
  fake.azimuth = 150;
  Script(fake, {{"+S", "stop:\nRPRT -4\n"}});
  fake.Run(100);
  fake.driver.Stop(fake.now);  // learns that S is not implemented
  fake.Run(20);
  fake.driver.Stop(fake.now);
  fake.Run(20);
  EXPECT_EQ(fake.Count("+P 150.00"), 1) << "held at the fresh reading";

  // The link is lost while the rotator turns on to 200; right after the reconnect, before a
  // reading, a stop must not turn it back to 150.
  fake.DropConnection();
  fake.azimuth = 200;
  Script(fake, {{"+S", "stop:\nRPRT -4\n"}, {"+p", ""}});
  fake.latency_ms = 100;
  fake.Run(300);
  fake.driver.Stop(fake.now);
  fake.Run(300);  // S refused again: its mark was forgotten with the old connection
  EXPECT_EQ(fake.Count("+S"), 2);
  fake.driver.Stop(fake.now);
  fake.Run(10);
  EXPECT_EQ(fake.Count("+P"), 1);
  EXPECT_EQ(fake.driver.Status().last_error,
            "stop not done: rotctld cannot stop (S unsupported) and there is no fresh reading "
            "to hold at");
}

TEST(RotserverRotctldFaults, UnansweredStopOrRangeIsNoProofAndTheirLateRepliesAreTaken) {
  FakeRotctld fake;
  fake.dump_state_body = "Minimum Azimuth: -180.0\nMaximum Azimuth: 180.0\n";
  int stops = 0;
  fake.script = [&](const std::string& line) -> std::optional<std::string> {
    if (line == "+\\dump_state" || (line == "+S" && ++stops == 1)) {  // a busy controller
      std::string name = line == "+S" ? "stop:\n" : "dump_state:\n" + fake.dump_state_body;
      fake.Deliver(name + "RPRT 0\n", fake.now + (line == "+S" ? 20000 : 6500));
      return "";
    }
    return std::nullopt;
  };
  fake.Run(6100);
  EXPECT_EQ(fake.driver.Status().limits_min, 0);
  fake.Run(500);
  EXPECT_EQ(fake.driver.Status().limits_min, -180);
  EXPECT_EQ(fake.driver.Status().last_error, "");
  fake.driver.Stop(fake.now);
  fake.Run(19600);  // the limit has grown with the range's slow reply: 3 x 6.5 s
  EXPECT_EQ(fake.driver.Status().last_error, "rotctld did not answer stop within 19 s");
  fake.Run(500);  // neither a fault nor a stranger
  EXPECT_EQ(fake.driver.Status().last_error, "");
  fake.driver.Stop(fake.now);  // still a stop, not a hold: S was answered, however late
  fake.Run(20);
  EXPECT_EQ(fake.Count("+S"), 2);
  EXPECT_EQ(fake.Count("+P"), 0);
  EXPECT_EQ(fake.opens, 1);

  FakeRotctld hung;  // a time-out, then a hung position query: a hang
  hung.script = [](const std::string&) -> std::optional<std::string> { return ""; };
  hung.Run(12100);
  EXPECT_EQ(hung.closes, 1);
  EXPECT_EQ(hung.driver.Status().last_error, "no answer to get_pos within 6 s");
}

TEST(RotserverRotctldFaults, ImplausibleReadingsLeaveTheRotatorUnread) {
  struct Case {
    const char* azimuth;
    const char* range;
  } cases[] = {{"1e308", "-180 450"},  {"1e10", "-180 450"},    {"5000", "0 360"},
               {"-725.5", "-180 450"}, {"365.5", "0 360"},      {"inf", "0 360"},
               {"nan", "0 360"},       {"5000", "-1e308 1e308"}};
  for (const Case& c : cases) {
    FakeRotctld fake;
    fake.azimuth = 100;
    double min_az = 0, max_az = 0;
    std::sscanf(c.range, "%lf %lf", &min_az, &max_az);
    fake.dump_state_body = "Minimum Azimuth: " + std::to_string(min_az) +
                            "\nMaximum Azimuth: " + std::to_string(max_az) + "\n";
    Script(fake, {{"+S", "stop:\nRPRT -4\n"}});
    FrontEnd front(fake.driver, {});
    fake.Run(100);
    front.Stop(fake.now);  // S is not implemented: a stop holds at the reading
    Script(fake, {{"+S", "stop:\nRPRT -4\n"}, {"+p", PositionReply(c.azimuth)}});
    fake.Run(1100);
    EXPECT_FALSE(fake.driver.Status().azimuth) << c.azimuth;
    const std::string error = fake.driver.Status().last_error;
    EXPECT_TRUE(error.rfind("implausible reading from rotctld: azimuth ", 0) == 0 ||
                error.rfind("position query: unreadable answer \"get_pos:\\nAzimuth: ", 0) == 0)
        << error;
    EXPECT_EQ(BridgeDoor(1).StatusMacro(front.LiveReading(fake.now)).substr(0, 9), "-100000\r\n") << c.azimuth;
    EXPECT_EQ(front.TurnTo(45, fake.now).kind, TurnOutcome::Kind::kRefused) << c.azimuth;
    front.Stop(fake.now);
    fake.Run(10);
    EXPECT_EQ(fake.Count("+P"), 0) << c.azimuth;
    Script(fake, {});
    fake.Run(1100);
    EXPECT_DOUBLE_EQ(fake.driver.Status().azimuth.value_or(-1), 100) << c.azimuth;
  }
}

TEST(RotserverRotctldFaults, ARangeNoRotatorHasIsNotBelievedAndItsNoteStays) {
  struct Case {
    const char* reported;  // \dump_state's azimuth limits
    std::optional<AzimuthLimits> configured;
    double min_az, max_az;  // in use
    const char* note;
  } cases[] = {
      {"-1e308 1e308", std::nullopt, 0, 360,
       "rotctld's range -1e+308..1e+308 cannot be a rotator's (a bound beyond -360..720): "
       "taken as 0..360"},
      {"-1e308 1e308", AzimuthLimits{0, 450}, 0, 450,
       "rotctld's range -1e+308..1e+308 cannot be a rotator's (a bound beyond -360..720): "
       "using the configured range 0.0..450.0"},
      {"450 0", std::nullopt, 0, 360,
       "rotctld's range 450.0..0.0 cannot be a rotator's (its minimum is not below its "
       "maximum): taken as 0..360"},
      {"-180 600", AzimuthLimits{-180, 180}, -180, 180,
       "rotctld's range -180.0..600.0 cannot be a rotator's (wider than 720 degrees): using the "
       "configured range -180.0..180.0"},
      {"-180 540", AzimuthLimits{0, 360}, -180, 540, ""},  // believed: rotctld's own wins
  };
  for (const Case& c : cases) {
    FakeRotctld fake({}, c.configured);
    double min_az = 0, max_az = 0;
    std::sscanf(c.reported, "%lf %lf", &min_az, &max_az);
    fake.dump_state_body = "Minimum Azimuth: " + std::to_string(min_az) +
                           "\nMaximum Azimuth: " + std::to_string(max_az) + "\n";
    fake.min_az = -1e308;  // the daemon takes any target: the driver's range is what counts
    fake.max_az = 1e308;
    fake.azimuth = 100;
    FrontEnd front(fake.driver, {});
    fake.Run(100);
    DriverStatus s = fake.driver.Status();
    EXPECT_EQ(s.limits_min, c.min_az) << c.reported;
    EXPECT_EQ(s.limits_max, c.max_az) << c.reported;
    EXPECT_EQ(s.last_error, c.note) << c.reported;
    EXPECT_EQ(front.TurnTo(350, fake.now).kind, TurnOutcome::Kind::kMove) << c.reported;
    fake.Run(100);
    EXPECT_EQ(fake.driver.Status().last_error, c.note) << "after a target: " << c.reported;
    // Readings are judged against the range in use: 5 degrees past its end, no further.
    fake.target.reset();
    fake.azimuth = c.max_az + 4.9;
    fake.Run(1100);
    EXPECT_NE(BridgeDoor(1).StatusMacro(front.LiveReading(fake.now)).substr(0, 9), "-100000\r\n") << c.reported;
    fake.azimuth = c.min_az - 5.1;
    fake.Run(1100);
    EXPECT_EQ(BridgeDoor(1).StatusMacro(front.LiveReading(fake.now)).substr(0, 9), "-100000\r\n") << c.reported;
    EXPECT_EQ(fake.driver.Status().last_error.substr(0, 42),
              "implausible reading from rotctld: azimuth ")
        << c.reported;
  }
}

TEST(RotserverRotctldFaults, ADaemonThatDropsAfterEachReadingIsPacedUntilALinkLasts) {
  FakeRotctld fake;
  int drops = 0;
  for (Millis last = -1; fake.now < 90000;) {
    fake.Run(10);
    DriverStatus s = fake.driver.Status();
    if (s.link == LinkState::kConnected && s.azimuth && s.reading_at > last) {
      last = fake.now;
      ++drops;
      fake.DropConnection();  // after each reading
    }
  }
  EXPECT_LE(fake.opens, 30) << "backoff defeated";
  std::string expected =
      "rotctld keeps dropping the connection (" + std::to_string(drops) + " times in 2 min)";
  EXPECT_EQ(fake.driver.Status().last_error.substr(0, expected.size()), expected);
  fake.Run(36000);  // a connection that lasts half a minute ends the record and the backoff
  EXPECT_EQ(fake.driver.Status().last_error, "");
  fake.DropConnection();
  Millis dropped = fake.now;
  fake.Run(300);
  EXPECT_EQ(fake.opens_at.back() - dropped, 250);
}

struct GiveUp {
  Millis waited = -1;  // from the unanswered command to the drop
  std::string why;
};
// Silences the daemon until the driver gives the connection up.
GiveUp SilenceUntilDropped(FakeRotctld& fake) {
  GiveUp seen;
  fake.driver.on_dropped = [&](const std::string& why) { seen.why = why; };
  fake.script = [](const std::string&) -> std::optional<std::string> { return ""; };
  for (int ms = 0; ms < 60000 && seen.why.empty(); ++ms) fake.Run(1);
  fake.driver.on_dropped = nullptr;
  if (!seen.why.empty()) seen.waited = fake.now - fake.written.back().at;
  return seen;
}

TEST(RotserverRotctldFaults, ReplyLimitMakesRoomForRetriesAndStillFindsASilentDaemon) {
  // The limit is three times the slowest reply (checked at the 10 ms timer's next tick).
  FakeRotctld fake;
  fake.latency_ms = 4500;  // a SPID controller's retries and some
  fake.Run(10000);
  GiveUp gave_up = SilenceUntilDropped(fake);
  EXPECT_GE(gave_up.waited, 13500);
  EXPECT_LT(gave_up.waited, 13510);
  EXPECT_EQ(gave_up.why, "no answer to get_pos within 13 s");

  FakeRotctld slow;
  slow.latency_ms = 4500;
  slow.Run(10000);
  slow.latency_ms = 12000;
  slow.Run(30000);
  EXPECT_EQ(slow.opens, 1);
  gave_up = SilenceUntilDropped(slow);
  EXPECT_GE(gave_up.waited, 30000);  // the most it grows to
  EXPECT_LT(gave_up.waited, 30010);
  EXPECT_EQ(gave_up.why, "no answer to get_pos within 30 s");
  gave_up = SilenceUntilDropped(slow);  // the next connection starts afresh
  EXPECT_EQ(slow.opens, 2);
  EXPECT_GE(gave_up.waited, 6000);
  EXPECT_LT(gave_up.waited, 6010);
  EXPECT_EQ(gave_up.why, "no answer to get_pos within 6 s");
}

TEST(RotserverRotctldFaults, AStrayLineBeforeEachReplyIsShownAsWhatArrived) {
  FakeRotctld fake;
  Script(fake, {{"+p", "junk\n" + PositionReply("20.00")}});
  fake.Run(7000);
  EXPECT_EQ(fake.driver.Status().last_error,
            "answer to get_pos not understood: \"junk\\nget_pos:\\nAzimuth: 20.00\\nElevation: "
            "0.00\\nRPRT 0\\n\"");
  EXPECT_EQ(fake.opens, 1);
}

}  // namespace
}  // namespace rotserver
