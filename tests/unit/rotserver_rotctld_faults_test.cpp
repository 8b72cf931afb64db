// RotServer's rotctld driver against a hostile or struggling rotctld: report codes at the
// edge of an int, replies nobody asked for, a Stop that cannot stop, a late range, readings
// that cannot be true, a daemon that keeps dropping the link, a controller that is slow while
// its driver retries, replies with a stray line in front.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "rotserver/core/front_end.h"
#include "rotserver/core/rotctld_reply.h"
#include "rotserver_rotctld_bench.h"

namespace rotserver {
namespace {

using testing::RotctldBench;
using Lines = std::vector<std::string>;

std::string PositionReply(const char* azimuth) {
  return std::string("get_pos:\nAzimuth: ") + azimuth + "\nElevation: 0.00\nRPRT 0\n";
}

TEST(RotserverRotctldFaults, EveryReportCodeIsTold) {
  EXPECT_EQ(ReportText(INT_MIN), "RPRT -2147483648");
  EXPECT_EQ(ReportText(INT_MAX), "RPRT 2147483647");
  EXPECT_EQ(ReportText(-22), "RPRT -22 (access denied)");
  EXPECT_EQ(ReportText(-23), "RPRT -23");

  RotctldBench bench;
  bench.script = [](const std::string& line) -> std::optional<std::string> {
    if (line == "+p") return "get_pos:\nRPRT -2147483648\n";
    return std::nullopt;
  };
  bench.Run(100);
  EXPECT_EQ(bench.driver.Status().last_error, "position query: RPRT -2147483648");
  EXPECT_EQ(bench.driver.Status().link, LinkState::kConnected);
}

TEST(RotserverRotctldFaults, RepliesNobodyAskedForOrNoReportDropTheLinkWithTheReason) {
  struct Case {
    const char* what;
    std::string stream;
    std::string reason;
  } cases[] = {
      {"report lines", PositionReply("10.00") + "RPRT 0\nRPRT 0\nRPRT 0\n",
       "protocol fault: a reply with no command pending: \"RPRT 0\\n\""},
      {"no report", PositionReply("10.00") + std::string(70000, 'y'),
       "rotctld sends no readable replies (70000 bytes without a report)"},
  };
  for (const Case& c : cases) {
    RotctldBench bench;
    bench.script = [&](const std::string& line) -> std::optional<std::string> {
      if (line == "+p") return c.stream;
      return std::nullopt;
    };
    std::vector<std::string> dropped;
    bench.driver.on_dropped = [&](const std::string& why) { dropped.push_back(why); };
    bench.Run(100);
    ASSERT_EQ(dropped.size(), 1u) << c.what;
    EXPECT_EQ(dropped[0], c.reason) << c.what;
    EXPECT_EQ(bench.driver.Status().link, LinkState::kReconnecting) << c.what;
    EXPECT_EQ(bench.driver.Status().last_error, c.reason) << c.what;
  }
}

TEST(RotserverRotctldFaults, StopHoldsOnlyAtAFreshReadingOfThisConnection) {
  RotctldBench bench;
  bench.azimuth = 150;
  bool silent_p = false;
  bench.script = [&](const std::string& line) -> std::optional<std::string> {
    if (line == "+S") return "stop:\nRPRT -4\n";
    if (line == "+p" && silent_p) return "";
    return std::nullopt;
  };
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
  silent_p = true;  // no reading yet on the new connection
  bench.latency_ms = 100;
  bench.Run(300);
  ASSERT_EQ(bench.driver.Status().link, LinkState::kConnected);
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

TEST(RotserverRotctldFaults, OneUnansweredStopIsNoProofAndItsLateReplyIsTaken) {
  RotctldBench bench;
  bench.azimuth = 10;
  int stops = 0;
  bench.script = [&](const std::string& line) -> std::optional<std::string> {
    if (line == "+S" && ++stops == 1) {  // a busy controller: answered after 7 s
      bench.Deliver("stop:\nRPRT 0\n", bench.now + 7000);
      return "";
    }
    return std::nullopt;
  };
  bench.Run(100);
  bench.driver.Stop(bench.now);
  bench.Run(6100);
  EXPECT_EQ(bench.driver.Status().last_error, "rotctld did not answer stop within 6 s");
  EXPECT_TRUE(bench.driver.unsupported().empty());
  bench.Run(2000);  // the late reply arrived: neither a fault nor a stranger
  EXPECT_EQ(bench.driver.Status().link, LinkState::kConnected);
  EXPECT_EQ(bench.driver.Status().last_error, "");
  bench.driver.Stop(bench.now);
  bench.Run(20);
  EXPECT_EQ(bench.Count("+S"), 2);
  EXPECT_EQ(bench.Count("+P"), 0);
}

TEST(RotserverRotctldFaults, LateRangeIsTakenButAHungPositionQueryIsAHang) {
  RotctldBench bench;
  bench.dump_state_body = "Minimum Azimuth: -180.0\nMaximum Azimuth: 180.0\n";
  bench.script = [&](const std::string& line) -> std::optional<std::string> {
    if (line == "+\\dump_state") {
      bench.Deliver("dump_state:\n" + bench.dump_state_body + "RPRT 0\n", bench.now + 6500);
      return "";
    }
    return std::nullopt;
  };
  bench.Run(6100);
  EXPECT_EQ(bench.driver.Status().limits_min, 0);
  bench.Run(500);
  DriverStatus s = bench.driver.Status();
  EXPECT_EQ(s.limits_min, -180);
  EXPECT_EQ(s.limits_max, 180);
  EXPECT_EQ(s.last_error, "");
  EXPECT_TRUE(s.azimuth);

  RotctldBench hung;
  hung.script = [](const std::string&) -> std::optional<std::string> { return ""; };
  hung.Run(12100);
  EXPECT_EQ(hung.closes, 1);
  EXPECT_EQ(hung.driver.Status().last_error, "no answer to get_pos within 6 s");
  EXPECT_TRUE(hung.driver.unsupported().empty());
}

TEST(RotserverRotctldFaults, ImplausibleReadingsLeaveTheRotatorUnread) {
  struct Case {
    const char* azimuth;
    double min_az, max_az;
    const char* error;
  } cases[] = {
      {"1e308", -180, 450,
       "implausible reading from rotctld: azimuth 1e+308, elevation 0.0 (outside the range "
       "-180.0..450.0)"},
      {"1e10", -180, 450, nullptr},
      {"5000", 0, 360, nullptr},
      {"-725.5", -180, 450, nullptr},
      {"365.5", 0, 360, nullptr},
  };
  for (const Case& c : cases) {
    RotctldBench bench;
    bench.azimuth = 100;
    bench.dump_state_body = "Minimum Azimuth: " + std::to_string(c.min_az) +
                            "\nMaximum Azimuth: " + std::to_string(c.max_az) + "\n";
    bool wild = false;
    bench.script = [&](const std::string& line) -> std::optional<std::string> {
      if (line == "+p" && wild) return PositionReply(c.azimuth);
      if (line == "+S") return "stop:\nRPRT -4\n";
      return std::nullopt;
    };
    FrontEnd front(bench.driver, {});
    bench.Run(100);
    front.Stop(bench.now);  // S is not implemented: a stop holds at the reading
    wild = true;
    bench.Run(1100);
    DriverStatus s = bench.driver.Status();
    EXPECT_FALSE(s.azimuth) << c.azimuth;
    EXPECT_EQ(s.last_error.rfind("implausible reading from rotctld: azimuth ", 0), 0u)
        << s.last_error;
    if (c.error) {
      EXPECT_EQ(s.last_error, c.error);
    }
    EXPECT_EQ(front.StatusMacro(bench.now).substr(0, 9), "-100000\r\n") << c.azimuth;
    EXPECT_EQ(front.TurnTo(45, bench.now).kind, TurnOutcome::Kind::kRefused) << c.azimuth;
    front.Stop(bench.now);
    bench.Run(10);
    EXPECT_EQ(bench.Count("+P"), 0) << c.azimuth;
    wild = false;
    bench.Run(1100);
    EXPECT_DOUBLE_EQ(bench.driver.Status().azimuth.value_or(-1), 100) << c.azimuth;
  }
}

TEST(RotserverRotctldFaults, ADaemonThatDropsAfterEachReadingIsPacedAndNamed) {
  RotctldBench bench;  // answers each reading, then hangs up
  std::vector<Millis> drops;
  for (Millis until = 90000; bench.now < until;) {
    bench.Run(10);
    if (bench.driver.Status().azimuth && bench.driver.Status().link == LinkState::kConnected &&
        bench.driver.Status().reading_at > (drops.empty() ? -1 : drops.back())) {
      drops.push_back(bench.now);
      bench.DropConnection();
    }
  }
  EXPECT_LE(bench.opens, 30) << "backoff defeated";
  std::string status = bench.driver.Status().last_error;
  std::string expected = "rotctld keeps dropping the connection (" +
                         std::to_string(drops.size()) + " times in 2 min)";
  EXPECT_EQ(status.substr(0, expected.size()), expected) << status;

  // A connection that lasts half a minute clears the record and the backoff.
  bench.Run(36000);
  EXPECT_EQ(bench.driver.Status().last_error, "");
  bench.DropConnection();
  Millis dropped = bench.now;
  bench.Run(300);
  EXPECT_EQ(bench.opens_at.back() - dropped, 250);
}

TEST(RotserverRotctldFaults, ReplyLimitMakesRoomForTheDriversRetries) {
  RotctldBench bench;
  bench.Run(100);
  EXPECT_EQ(bench.driver.ReplyLimit(), 6000);
  bench.latency_ms = 4500;  // a SPID controller's retries and some
  bench.Run(10000);
  EXPECT_EQ(bench.opens, 1);
  EXPECT_EQ(bench.driver.ReplyLimit(), 13500);
  bench.latency_ms = 12000;
  bench.Run(30000);
  EXPECT_EQ(bench.opens, 1);
  EXPECT_EQ(bench.driver.ReplyLimit(), 30000);  // the bound that still finds a silent one

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
  bench.script = [&](const std::string& line) -> std::optional<std::string> {
    if (line == "+p") return "junk\n" + PositionReply("20.00");
    return std::nullopt;
  };
  bench.Run(7000);
  EXPECT_EQ(bench.driver.Status().last_error,
            "answer to get_pos not understood: \"junk\\nget_pos:\\nAzimuth: 20.00\\nElevation: "
            "0.00\\nRPRT 0\\n\"");
  EXPECT_EQ(bench.opens, 1);
}

}  // namespace
}  // namespace rotserver
