// RotServer's rotctld driver against a hostile or struggling rotctld: report codes at the
// edge of an int, replies nobody asked for, a Stop that cannot stop, a late range, readings
// that cannot be true, a daemon that keeps dropping the link, a controller slow while its
// driver retries, replies with a stray line in front.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

#include "rotserver/core/front_end.h"
#include "rotserver/core/rotctld_reply.h"
#include "rotserver_rotctld_bench.h"

namespace rotserver {
namespace {

using testing::RotctldBench;
using Lines = std::vector<std::string>;

std::string PositionReply(const std::string& azimuth) {
  return "get_pos:\nAzimuth: " + azimuth + "\nElevation: 0.00\nRPRT 0\n";
}

// These command lines get these replies ("" for none); the rest the bench's usual ones.
void Script(RotctldBench& bench, std::map<std::string, std::string> replies) {
  bench.script = [replies](const std::string& line) -> std::optional<std::string> {
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
    RotctldBench bench;
    Script(bench, {{"+p", c.stream}});
    std::vector<std::string> dropped;
    bench.driver.on_dropped = [&](const std::string& why) { dropped.push_back(why); };
    bench.Run(100);
    EXPECT_EQ(dropped, Lines{c.reason});
    EXPECT_EQ(bench.driver.Status().link, LinkState::kReconnecting);
    EXPECT_EQ(bench.driver.Status().last_error, c.reason);
  }
}

TEST(RotserverRotctldFaults, StopHoldsOnlyAtAFreshReadingOfThisConnection) {
  RotctldBench bench;
  bench.azimuth = 150;
  Script(bench, {{"+S", "stop:\nRPRT -4\n"}});
  bench.Run(100);
  bench.driver.Stop(bench.now);  // learns that S is not implemented
  bench.Run(20);
  bench.driver.Stop(bench.now);
  bench.Run(20);
  EXPECT_EQ(bench.Count("+P 150.00"), 1) << "held at the fresh reading";

  // The link is lost while the rotator turns on to 200; right after the reconnect, before a
  // reading, a stop must not turn it back to 150.
  bench.DropConnection();
  bench.azimuth = 200;
  Script(bench, {{"+S", "stop:\nRPRT -4\n"}, {"+p", ""}});
  bench.latency_ms = 100;
  bench.Run(300);
  bench.driver.Stop(bench.now);
  bench.Run(300);  // S refused again: its mark was forgotten with the old connection
  EXPECT_EQ(bench.Count("+S"), 2);
  bench.driver.Stop(bench.now);
  bench.Run(10);
  EXPECT_EQ(bench.Count("+P"), 1);
  EXPECT_EQ(bench.driver.Status().last_error,
            "stop not done: rotctld cannot stop (S unsupported) and there is no fresh reading "
            "to hold at");
}

TEST(RotserverRotctldFaults, UnansweredStopOrRangeIsNoProofAndTheirLateRepliesAreTaken) {
  RotctldBench bench;
  bench.dump_state_body = "Minimum Azimuth: -180.0\nMaximum Azimuth: 180.0\n";
  int stops = 0;
  bench.script = [&](const std::string& line) -> std::optional<std::string> {
    if (line == "+\\dump_state" || (line == "+S" && ++stops == 1)) {  // a busy controller
      std::string name = line == "+S" ? "stop:\n" : "dump_state:\n" + bench.dump_state_body;
      bench.Deliver(name + "RPRT 0\n", bench.now + (line == "+S" ? 20000 : 6500));
      return "";
    }
    return std::nullopt;
  };
  bench.Run(6100);
  EXPECT_EQ(bench.driver.Status().limits_min, 0);
  bench.Run(500);
  EXPECT_EQ(bench.driver.Status().limits_min, -180);
  EXPECT_EQ(bench.driver.Status().last_error, "");
  bench.driver.Stop(bench.now);
  bench.Run(19600);  // the limit has grown with the range's slow reply: 3 x 6.5 s
  EXPECT_EQ(bench.driver.Status().last_error, "rotctld did not answer stop within 19 s");
  bench.Run(500);  // neither a fault nor a stranger
  EXPECT_EQ(bench.driver.Status().last_error, "");
  EXPECT_TRUE(bench.driver.unsupported().empty());
  bench.driver.Stop(bench.now);
  bench.Run(20);
  EXPECT_EQ(bench.Count("+S"), 2);
  EXPECT_EQ(bench.Count("+P"), 0);
  EXPECT_EQ(bench.opens, 1);

  RotctldBench hung;  // a time-out, then a hung position query: a hang
  hung.script = [](const std::string&) -> std::optional<std::string> { return ""; };
  hung.Run(12100);
  EXPECT_EQ(hung.closes, 1);
  EXPECT_EQ(hung.driver.Status().last_error, "no answer to get_pos within 6 s");
}

TEST(RotserverRotctldFaults, ImplausibleReadingsLeaveTheRotatorUnread) {
  struct Case {
    const char* azimuth;
    const char* range;
  } cases[] = {{"1e308", "-180 450"},  {"1e10", "-180 450"}, {"5000", "0 360"},
               {"-725.5", "-180 450"}, {"365.5", "0 360"},   {"inf", "0 360"},
               {"nan", "0 360"}};
  for (const Case& c : cases) {
    RotctldBench bench;
    bench.azimuth = 100;
    double min_az = 0, max_az = 0;
    std::sscanf(c.range, "%lf %lf", &min_az, &max_az);
    bench.dump_state_body = "Minimum Azimuth: " + std::to_string(min_az) +
                            "\nMaximum Azimuth: " + std::to_string(max_az) + "\n";
    Script(bench, {{"+S", "stop:\nRPRT -4\n"}});
    FrontEnd front(bench.driver, {});
    bench.Run(100);
    front.Stop(bench.now);  // S is not implemented: a stop holds at the reading
    Script(bench, {{"+S", "stop:\nRPRT -4\n"}, {"+p", PositionReply(c.azimuth)}});
    bench.Run(1100);
    EXPECT_FALSE(bench.driver.Status().azimuth) << c.azimuth;
    const std::string error = bench.driver.Status().last_error;
    EXPECT_TRUE(error.rfind("implausible reading from rotctld: azimuth ", 0) == 0 ||
                error.rfind("position query: unreadable answer \"get_pos:\\nAzimuth: ", 0) == 0)
        << error;
    EXPECT_EQ(front.StatusMacro(bench.now).substr(0, 9), "-100000\r\n") << c.azimuth;
    EXPECT_EQ(front.TurnTo(45, bench.now).kind, TurnOutcome::Kind::kRefused) << c.azimuth;
    front.Stop(bench.now);
    bench.Run(10);
    EXPECT_EQ(bench.Count("+P"), 0) << c.azimuth;
    Script(bench, {});
    bench.Run(1100);
    EXPECT_DOUBLE_EQ(bench.driver.Status().azimuth.value_or(-1), 100) << c.azimuth;
  }
}

TEST(RotserverRotctldFaults, ADaemonThatDropsAfterEachReadingIsPacedUntilALinkLasts) {
  RotctldBench bench;
  int drops = 0;
  for (Millis last = -1; bench.now < 90000;) {
    bench.Run(10);
    DriverStatus s = bench.driver.Status();
    if (s.link == LinkState::kConnected && s.azimuth && s.reading_at > last) {
      last = bench.now;
      ++drops;
      bench.DropConnection();  // after each reading
    }
  }
  EXPECT_LE(bench.opens, 30) << "backoff defeated";
  std::string expected =
      "rotctld keeps dropping the connection (" + std::to_string(drops) + " times in 2 min)";
  EXPECT_EQ(bench.driver.Status().last_error.substr(0, expected.size()), expected);
  bench.Run(36000);  // a connection that lasts half a minute ends the record and the backoff
  EXPECT_EQ(bench.driver.Status().last_error, "");
  bench.DropConnection();
  Millis dropped = bench.now;
  bench.Run(300);
  EXPECT_EQ(bench.opens_at.back() - dropped, 250);
}

TEST(RotserverRotctldFaults, ReplyLimitMakesRoomForRetriesAndStillFindsASilentDaemon) {
  RotctldBench bench;
  bench.latency_ms = 4500;  // a SPID controller's retries and some
  bench.Run(10000);
  EXPECT_EQ(bench.driver.ReplyLimit(), 13500);
  bench.latency_ms = 12000;
  bench.Run(30000);
  EXPECT_EQ(bench.opens, 1);
  EXPECT_EQ(bench.driver.ReplyLimit(), 30000);
  std::vector<std::string> dropped;
  bench.driver.on_dropped = [&](const std::string& why) { dropped.push_back(why); };
  bench.script = [](const std::string&) -> std::optional<std::string> { return ""; };
  bench.Run(43000);
  ASSERT_FALSE(dropped.empty());
  EXPECT_EQ(dropped.front(), "no answer to get_pos within 30 s");
  EXPECT_EQ(bench.driver.ReplyLimit(), 6000);  // the next connection starts afresh
}

TEST(RotserverRotctldFaults, AStrayLineBeforeEachReplyIsShownAsWhatArrived) {
  RotctldBench bench;
  Script(bench, {{"+p", "junk\n" + PositionReply("20.00")}});
  bench.Run(7000);
  EXPECT_EQ(bench.driver.Status().last_error,
            "answer to get_pos not understood: \"junk\\nget_pos:\\nAzimuth: 20.00\\nElevation: "
            "0.00\\nRPRT 0\\n\"");
  EXPECT_EQ(bench.opens, 1);
}

}  // namespace
}  // namespace rotserver
