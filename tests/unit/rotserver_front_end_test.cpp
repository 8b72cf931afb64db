// RotServer's front end with the bridge's door before it: targets into the rotator's frame and
// range, the calibration offset, the bridge's commands and stop requests, the status macro's
// bytes and the window's view.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rotserver/core/bridge_door.h"
#include "rotserver/core/front_end.h"
#include "rotserver/core/heading_text.h"
#include "fakes/fake_driver.h"
#include "fakes/fake_rotctld.h"

namespace rotserver {
namespace {

using namespace std::string_literals;

using testing::FakeDriver;

std::string Command(const char* tenths) {
  return tenths + "\r\n0\r\n0\r\n\0"s;
}

// The bridge's door before a front end, as RotServer puts them together.
struct Bridge {
  explicit Bridge(FrontEnd& front) : front(front) {}
  TurnOutcome Send(std::string_view bytes, Millis now) {
    return front.Carry(door.OnCommand(bytes), now);
  }
  std::string Macro(Millis now) { return door.StatusMacro(front.LiveReading(now), front.Limits()); }
  FrontEnd& front;
  BridgeDoor door;
};

TEST(RotserverFrontEnd, OverlapTakesTheEquivalentNearestTheRotatorOnTheWire) {
  struct Case {
    double standing;
    const char* target_tenths;
    const char* sent;
  } cases[] = {
      {100, "3500", "+P -10.00 0.00\n"},   {300, "3500", "+P 350.00 0.00\n"},
      {100, "600", "+P 60.00 0.00\n"},     {400, "600", "+P 420.00 0.00\n"},
      {-170, "1800", "+P -180.00 0.00\n"},
  };
  for (const Case& c : cases) {
    testing::FakeRotctld fake;  // -180..450, as Hamlib's dummy rotator
    fake.azimuth = c.standing;
    FrontEnd front(fake.driver, {});
    Bridge bridge(front);
    fake.Run(100);
    TurnOutcome outcome = bridge.Send(Command(c.target_tenths), fake.now);
    EXPECT_EQ(outcome.kind, TurnOutcome::Kind::kMove) << c.standing << " " << c.target_tenths;
    fake.Run(20);
    EXPECT_EQ(fake.written.back().line, c.sent) << c.standing << " " << c.target_tenths;
  }
}

TEST(RotserverFrontEnd, TargetsWithoutAnEquivalentInsideAreRefusedAndShown) {
  FakeDriver driver(90, 0, 180);
  FrontEnd front(driver, {});
  TurnOutcome outcome = front.TurnTo(270, 0);
  EXPECT_EQ(outcome.kind, TurnOutcome::Kind::kRefused);
  EXPECT_EQ(outcome.reason, "270 is outside the rotator's range 0..180");
  EXPECT_EQ(front.View(0).last_error, outcome.reason);
  EXPECT_TRUE(driver.moves.empty());
  // The next target that fits clears the message.
  EXPECT_EQ(front.TurnTo(180, 0).kind, TurnOutcome::Kind::kMove);
  EXPECT_EQ(front.View(0).last_error, "");

  FakeDriver half(10, -180, 180);
  FrontEnd south(half, {});
  EXPECT_EQ(south.TurnTo(270, 0).azimuth, -90);
  EXPECT_EQ(south.TurnTo(180, 0).azimuth, 180);  // both ends point south: the nearer one
  half.status.azimuth = -10;
  EXPECT_EQ(south.TurnTo(180, 0).azimuth, -180);

  FakeDriver away(0, 0, 360);
  away.status.link = LinkState::kReconnecting;
  FrontEnd down(away, {});
  EXPECT_EQ(down.TurnTo(10, 0).reason, "the rotator is not connected");
  EXPECT_TRUE(away.moves.empty());
}

TEST(RotserverFrontEnd, OffsetTurnsShownAndCommandedHeadingsModulo360) {
  FakeDriver driver(355, 0, 360);
  driver.status.reading_at = 0;
  FrontEndConfig config;
  config.offset_deg = 10;  // the rotator reads 0 when the beam points 10 degrees east of north
  FrontEnd front(driver, config);
  EXPECT_DOUBLE_EQ(*front.View(0).azimuth, 5);
  EXPECT_EQ(Bridge(front).Macro(0).substr(0, 4), "50\r\n");
  EXPECT_DOUBLE_EQ(front.TurnTo(5, 0).azimuth, 355);
  EXPECT_DOUBLE_EQ(front.TurnTo(0, 0).azimuth, 350);
  EXPECT_DOUBLE_EQ(front.TurnTo(8, 0).azimuth, 358);  // rotator -2, inside 0..360 only as 358
  EXPECT_DOUBLE_EQ(*front.View(0).target, 8);

  config.offset_deg = -170;
  FrontEnd back(driver, config);
  EXPECT_DOUBLE_EQ(*back.View(0).azimuth, 185);
  EXPECT_DOUBLE_EQ(back.TurnTo(0, 0).azimuth, 170);
  EXPECT_DOUBLE_EQ(back.TurnTo(200, 0).azimuth, 10);
}

// The window shows the elevation of a rotator with an elevation axis only: an azimuth-only
// one reports 0..0 and an elevation of 0 that is no reading.
TEST(RotserverFrontEnd, ViewCarriesTheElevationOnlyWithAnElevationAxis) {
  FakeDriver driver(120, 0, 360);
  driver.status.reading_at = 0;
  driver.status.elevation = 35;
  driver.status.el_min = 0;
  driver.status.el_max = 90;
  FrontEnd front(driver, {});
  EXPECT_DOUBLE_EQ(front.View(0).elevation.value_or(-1), 35);
  EXPECT_EQ(rotserver::ElevationWords(front.View(0)), "El 35\xC2\xB0");

  driver.status.elevation = 0;
  driver.status.el_max = 0;
  EXPECT_FALSE(front.View(0).elevation);
  EXPECT_EQ(rotserver::ElevationWords(front.View(0)), "");
  driver.status.el_min.reset();  // no range given
  driver.status.el_max.reset();
  EXPECT_FALSE(front.View(0).elevation);
}

TEST(RotserverFrontEnd, StatusMacroBytes) {
  FakeDriver driver(123.4, 0, 360);
  driver.status.direction = 1;
  driver.status.reading_at = 1000;
  FrontEnd front(driver, {});
  EXPECT_EQ(Bridge(front).Macro(1500), "1234\r\n0\r\n1\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n");

  driver.status.azimuth = 359.96;  // rounds to 360.0, which the bridge shows as 0
  driver.status.direction = -1;
  driver.status.limits_min = -180;  // a stop in the south: range mode 0
  driver.status.limits_max = 180;
  FrontEnd south(driver, {});
  EXPECT_EQ(Bridge(south).Macro(1500), "0\r\n0\r\n-1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");

  driver.status.link = LinkState::kReconnecting;
  EXPECT_EQ(Bridge(south).Macro(1500), "-100000\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
}

TEST(RotserverFrontEnd, BridgeSendingBackAShownAzimuthStopsTheRotator) {
  FakeDriver driver(120, 0, 360);
  FrontEnd front(driver, {});
  Bridge bridge(front);
  bridge.Macro(0);
  driver.status.azimuth = 121.5;
  bridge.Macro(0);
  EXPECT_EQ(bridge.Send(Command("1200"), 0).kind, TurnOutcome::Kind::kStop);
  EXPECT_EQ(bridge.Send(Command("1215"), 0).kind, TurnOutcome::Kind::kStop);
  EXPECT_EQ(driver.stops, 2);
  EXPECT_TRUE(driver.moves.empty());
  // An azimuth shown before the last few macros is a target again.
  for (double az : {130.0, 140.0, 150.0, 160.0}) {
    driver.status.azimuth = az;
    bridge.Macro(0);
  }
  EXPECT_EQ(bridge.Send(Command("1200"), 0).kind, TurnOutcome::Kind::kMove);
  EXPECT_EQ(driver.moves, std::vector<double>{120});
  EXPECT_DOUBLE_EQ(*front.View(0).target, 120);
  bridge.Send(Command("1600"), 0);
  EXPECT_FALSE(front.View(0).target);  // a stop clears the marker
}

TEST(RotserverFrontEnd, ATargetTheRotatorRefusedIsNoLongerShown) {
  testing::FakeRotctld fake;
  fake.max_az = 80;  // the controller refuses what lies beyond
  FrontEnd front(fake.driver, {});
  fake.Run(100);
  ASSERT_EQ(front.TurnTo(90, fake.now).kind, TurnOutcome::Kind::kMove);
  front.TurnTo(45, fake.now);  // waits behind 90, and is obeyed
  fake.Run(30);
  front.Tick(fake.now);
  ASSERT_EQ(fake.Count("+P"), 2);
  EXPECT_DOUBLE_EQ(front.View(fake.now).target.value_or(-1), 45);
  ASSERT_EQ(front.TurnTo(90, fake.now).kind, TurnOutcome::Kind::kMove);
  fake.Run(30);
  front.Tick(fake.now);
  EXPECT_FALSE(front.View(fake.now).target);
  EXPECT_EQ(front.View(fake.now).last_error,
            "target 90.0 refused: RPRT -1 (invalid parameter or out of range)");
}

TEST(RotserverFrontEnd, BridgeCommandsAreReadStrictly) {
  FakeDriver driver(0, 0, 360);
  FrontEnd front(driver, {});
  Bridge bridge(front);
  TurnOutcome greeting = bridge.Send("HS \r\n\0"s, 0);
  EXPECT_EQ(greeting.kind, TurnOutcome::Kind::kRefused);
  EXPECT_EQ(front.View(0).last_error, "");  // the greeting is no fault
  EXPECT_EQ(bridge.Send(Command("2450"), 0).azimuth, 245);
  EXPECT_EQ(bridge.Send(Command("-50"), 0).azimuth, 355);
  EXPECT_EQ(bridge.Send(Command("3600"), 0).azimuth, 0);
  EXPECT_EQ(bridge.Send(Command("-3600"), 0).azimuth, 0);
  EXPECT_EQ(driver.moves.size(), 4u);
  // The bridge never sends more than a full turn either way: these are no bearings.
  for (const char* odd : {"-2147483648", "2147483647", "99999999", "3601", "-3601"}) {
    TurnOutcome outcome = bridge.Send(Command(odd), 0);
    EXPECT_EQ(outcome.kind, TurnOutcome::Kind::kRefused) << odd;
    EXPECT_EQ(outcome.reason,
              "target " + std::string(odd) + " tenths is beyond 3600 either way: not a bearing");
  }
  EXPECT_EQ(driver.moves.size(), 4u);
  for (std::string bad : {"1230\r\n0\r\n\0"s, "12a\r\n0\r\n0\r\n\0"s, "1230\r\n0\r\n0\r\n1\r\n\0"s,
                          " 123\r\n0\r\n0\r\n\0"s, "1230\n0\n0\n\0"s, ""s}) {
    TurnOutcome outcome = bridge.Send(bad, 0);
    EXPECT_EQ(outcome.kind, TurnOutcome::Kind::kRefused);
    EXPECT_EQ(outcome.reason.rfind("not a target command from the bridge: ", 0), 0u);
  }
  EXPECT_EQ(front.View(0).last_error, "not a target command from the bridge: \"\"");
  EXPECT_EQ(driver.moves.size(), 4u);
}

TEST(RotserverFrontEnd, StaleReadingIsShownAsSuchAndNotReportedAsLive) {
  FakeDriver driver(200, 0, 360);
  driver.status.reading_at = 10000;
  driver.status.direction = 1;
  FrontEndConfig config;
  config.backend_label = "rotctld 127.0.0.1:4533";
  FrontEnd front(driver, config);
  ViewState fresh = front.View(12900);
  EXPECT_FALSE(fresh.stale);
  EXPECT_EQ(fresh.direction, 1);
  EXPECT_EQ(fresh.backend_label, "rotctld 127.0.0.1:4533");
  ViewState stale = front.View(14200);
  EXPECT_TRUE(stale.stale);
  EXPECT_EQ(stale.seconds_since_reading, 4);
  EXPECT_DOUBLE_EQ(*stale.azimuth, 200);  // still drawn, greyed
  EXPECT_EQ(stale.direction, 0);
  EXPECT_EQ(Bridge(front).Macro(14200).substr(0, 12), "-100000\r\n0\r\n");
  EXPECT_EQ(Bridge(front).Macro(12900).substr(0, 6), "2000\r\n");

  // A target is not taken while the reading is stale: the controller would act on it long
  // after it was asked for.
  TurnOutcome outcome = front.TurnTo(90, 14200);
  EXPECT_EQ(outcome.kind, TurnOutcome::Kind::kRefused);
  EXPECT_EQ(outcome.reason, "no reading from the rotator: target not sent");
  EXPECT_TRUE(driver.moves.empty());
  EXPECT_EQ(front.TurnTo(90, 12900).kind, TurnOutcome::Kind::kMove);
}

TEST(RotserverFrontEnd, SlowPollingStretchesWhatCountsAsLive) {
  EXPECT_EQ(StaleAfterFor(250), 3000);
  EXPECT_EQ(StaleAfterFor(1500), 3000);
  EXPECT_EQ(StaleAfterFor(10000), 20000);
  FakeDriver driver(200, 0, 360);
  driver.status.reading_at = 0;
  FrontEndConfig config;
  config.stale_after_ms = StaleAfterFor(5000);
  FrontEnd front(driver, config);
  EXPECT_EQ(Bridge(front).Macro(9000).substr(0, 6), "2000\r\n");  // between two slow polls
  EXPECT_EQ(Bridge(front).Macro(10001).substr(0, 9), "-100000\r\n");
}

TEST(RotserverFrontEnd, SilentControllerGoesStaleWithTheErrorInWords) {
  testing::FakeRotctld fake;
  fake.azimuth = 75;
  FrontEnd front(fake.driver, {});
  fake.Run(1500);
  EXPECT_FALSE(front.View(fake.now).stale);
  fake.script = [](const std::string& line) -> std::optional<std::string> {
    if (line == "+p") return "get_pos:\nRPRT -5\n";  // the controller behind rotctld is silent
    return std::nullopt;
  };
  fake.Run(4000);
  ViewState view = front.View(fake.now);
  EXPECT_TRUE(view.stale);
  EXPECT_GE(view.seconds_since_reading, 3);
  EXPECT_EQ(view.link, LinkState::kConnected);
  EXPECT_EQ(view.last_error, "position query: RPRT -5 (communication timed out)");
  EXPECT_EQ(Bridge(front).Macro(fake.now).substr(0, 9), "-100000\r\n");
  fake.script = nullptr;
  fake.Run(1100);
  EXPECT_FALSE(front.View(fake.now).stale);
  EXPECT_EQ(front.View(fake.now).last_error, "");
}

}  // namespace
}  // namespace rotserver
