// RotServer.exe against a scripted stand-in for rotctld, for what Hamlib's dummy rotator
// cannot do: commands never answered, refused targets, a connection closed in the middle of a
// command, the old dump_state layout, a range no rotator has, a slow controller, and a range
// with overlap. This process plays the bridge's DDE side.
#include <gtest/gtest.h>

#include <cmath>

#include "rose_picture.h"
#include "rotserver_support.h"
#include "rotserver/win/main_window_win.h"
#include "winui/wide_text_win.h"
#include "wire/wire.h"

using namespace std::chrono_literals;
using harness::WaitUntil;
using rstest::Received;

namespace {

class RotServerStandIn : public rstest::StandInTest {
 protected:
  // RotServer in front of the stand-in, its first reading at the bridge.
  void Start(int expect_tenths, int poll_ms = 1000) {
    rotserver::Settings settings = rstest::RotctldSettings(stand_in_->Address(), poll_ms);
    settings.rotctld_device = "COM3";  // named by the status line's words
    rstest::StoreSettings(settings);
    server_ = std::make_unique<rstest::RotServer>(job_, dir_ + "\\rotserver.log");
    ASSERT_TRUE(bridge_.WaitAzimuth(expect_tenths, 20s))
        << "no reading reached the bridge; latest " << bridge_.LatestAzimuth().value_or(-1);
  }

  // The technical chain behind "Details…", and the operator's words.
  std::string StatusLine() const { return server_->ChildText(rotserver::kIdStatusDetails); }
  std::string Shown() const {
    return winui::WideToUtf8(
        rstest::WideText(GetDlgItem(server_->window(), rotserver::kIdStatusLine)));
  }

  // Waits until the stand-in has received `count` more position queries than `since`.
  bool WaitPolls(std::size_t since, std::size_t count, harness::Millis timeout) {
    return WaitUntil([&] { return stand_in_->ReceivedWith("+p").size() >= since + count; },
                     timeout);
  }
};

TEST_F(RotServerStandIn, CommandNeverAnsweredIsGivenUpWithoutDroppingTheLink) {
  // rotctld answers a command it does not know with nothing at all.
  ASSERT_TRUE(stand_in_->Set("silent=\\dump_state az=42"));
  Start(420);
  EXPECT_TRUE(WaitUntil(
      [&] { return StatusLine().find("dump_state not answered") != std::string::npos; }, 5s))
      << StatusLine();
  EXPECT_EQ(stand_in_->Connections(), 1);
  ASSERT_EQ(stand_in_->ReceivedWith("+\\dump_state").size(), 1u);
  // Taken as 0..360: the reading still reaches the bridge, a target still goes out.
  ASSERT_TRUE(bridge_.SendTarget(900));
  EXPECT_TRUE(WaitUntil([&] { return !stand_in_->ReceivedWith("+P").empty(); }, 5s));
  EXPECT_TRUE(bridge_.WaitAzimuth(900, 20s));
}

// Then the controller falls silent: rotctld answers the position query with RPRT -5.
TEST_F(RotServerStandIn, RefusedTargetIsShownAndNotSentAgain) {
  ASSERT_TRUE(stand_in_->Set("rprt_P=-21 az=10"));
  Start(100);
  ASSERT_TRUE(bridge_.SendTarget(1200));
  ASSERT_TRUE(WaitUntil([&] { return !stand_in_->ReceivedWith("+P").empty(); }, 5s));
  EXPECT_TRUE(WaitUntil([&] { return StatusLine().find("RPRT -21") != std::string::npos; }, 5s))
      << StatusLine();
  EXPECT_EQ(Shown(),
            "The rotator refused to turn to 120° (limit exceeded). Turn within its "
            "range, or check the range in Settings.");
  // Several polls later, still the one attempt, and the rotator stands where it stood.
  ASSERT_TRUE(WaitPolls(stand_in_->ReceivedWith("+p").size(), 4, 15s));
  EXPECT_EQ(stand_in_->ReceivedWith("+P").size(), 1u);
  EXPECT_EQ(bridge_.LatestAzimuth(), 100);
  ASSERT_TRUE(stand_in_->Set("rprt_p=-5"));
  const std::string silent =
      "The controller on COM3 does not answer. Check its power and "
      "cable, and the controller and speed in Settings.";
  EXPECT_TRUE(WaitUntil([&] { return Shown() == silent; }, 5s)) << Shown();
}

TEST_F(RotServerStandIn, ConnectionClosedMidCommandReconnectsWithoutReplayingTheTarget) {
  ASSERT_TRUE(stand_in_->Set("close_on=P az=0"));
  Start(0);
  ASSERT_TRUE(bridge_.SendTarget(900));
  ASSERT_TRUE(WaitUntil([&] { return stand_in_->Connections() == 2; }, 20s))
      << "RotServer did not connect again";
  ASSERT_TRUE(bridge_.WaitAzimuth(0, 10s));
  ASSERT_TRUE(WaitPolls(stand_in_->ReceivedWith("+p").size(), 3, 15s));
  EXPECT_EQ(stand_in_->ReceivedWith("+P").size(), 1u) << "the target was sent again";
  EXPECT_EQ(stand_in_->Control("position"), "0.00");
}

TEST_F(RotServerStandIn, OldDumpStateLayoutGivesTheRangeAndARangeNoRotatorHasIsNotBelieved) {
  // Before Hamlib 4.5.1: bare positional lines. Read right, the range is -180..180 and the
  // compass heading 350 lies at -10; misread as 0..360 it would go out as 350.
  ASSERT_TRUE(stand_in_->Set("dump=old min_az=-180 max_az=180 az=20 speed=90"));
  Start(200);
  ASSERT_TRUE(bridge_.SendTarget(3500));
  ASSERT_TRUE(WaitUntil([&] { return !stand_in_->ReceivedWith("+P").empty(); }, 5s));
  EXPECT_NEAR(rstest::SetPosAzimuth(stand_in_->ReceivedWith("+P")[0].line), -10.0, 0.01);
  EXPECT_TRUE(bridge_.WaitAzimuth(3500, 20s)) << bridge_.LatestAzimuth().value_or(-1);

  // A daemon that claims -1e308..1e308 and then reports 5000: the range is not believed (0..360
  // is taken, and said), and the reading never reaches the bridge as a heading.
  ASSERT_TRUE(stand_in_->Set("dump=new min_az=-1e308 max_az=1e308 az=100"));
  ASSERT_EQ(stand_in_->Control("drop"), "ok");
  const std::string note =
      "rotctld's range -1e+308..1e+308 cannot be a rotator's (a bound beyond -360..720): taken "
      "as 0..360";
  EXPECT_TRUE(WaitUntil([&] { return StatusLine().find(note) != std::string::npos; }, 10s))
      << StatusLine();
  EXPECT_TRUE(WaitUntil(
      [&] {
        return Shown().rfind("rotctld reports a range no rotator has: 0..360 is used.", 0) == 0;
      },
      5s))
      << Shown();
  ASSERT_TRUE(bridge_.WaitAzimuth(1000, 10s)) << bridge_.LatestAzimuth().value_or(-1);
  ASSERT_TRUE(stand_in_->Set("az=5000"));
  EXPECT_TRUE(bridge_.WaitAzimuth(wire::kOffTenths, 10s)) << bridge_.LatestAzimuth().value_or(-1);
  EXPECT_NE(StatusLine().find("implausible reading from rotctld: azimuth 5000.0 is outside the "
                              "range 0.0..360.0"),
            std::string::npos)
      << StatusLine();
  EXPECT_TRUE(WaitUntil(
      [&] { return Shown().rfind("The controller reports an impossible heading.", 0) == 0; }, 5s))
      << Shown();
  std::size_t seen = bridge_.macros().size();
  ASSERT_TRUE(WaitUntil([&] { return bridge_.macros().size() >= seen + 8; }, 10s));
  for (std::size_t i = seen; i < bridge_.macros().size(); ++i)
    EXPECT_EQ(bridge_.macros()[i][0], std::to_string(wire::kOffTenths)) << i;
}

TEST_F(RotServerStandIn, SlowControllerIsNeverAskedTwiceAtOnceWhileTheBridgeHearsOnTime) {
  ASSERT_TRUE(stand_in_->Set("slow_p=1000 az=30"));
  Start(300, 250);
  std::size_t macros_before = bridge_.macros().size();
  std::size_t before = stand_in_->ReceivedLines().size();
  ASSERT_TRUE(WaitUntil([&] { return stand_in_->ReceivedLines().size() >= before + 4; }, 20s));
  auto lines = stand_in_->ReceivedLines();
  // Each answer takes a second: the next command may only follow it.
  for (std::size_t i = before + 1; i < lines.size(); ++i)
    EXPECT_GE(lines[i].ms - lines[i - 1].ms, 950) << lines[i - 1].line << " then " << lines[i].line;
  // Status macros keep their pace (4 a second) whatever the controller's.
  long span_ms = lines.back().ms - lines[before].ms;
  EXPECT_GE(bridge_.macros().size() - macros_before, static_cast<std::size_t>(span_ms / 1000 * 3));
}

TEST_F(RotServerStandIn, OverlapRangeSendsTheEquivalentNearestTheRotator) {
  // Range -180..450: compass 350 is -10 or 350 for the rotator; the nearer one goes out.
  ASSERT_TRUE(stand_in_->Set("min_az=-180 max_az=450 az=0 speed=60"));
  Start(0);
  ASSERT_TRUE(bridge_.SendTarget(3500));
  ASSERT_TRUE(WaitUntil([&] { return stand_in_->ReceivedWith("+P").size() == 1; }, 5s));
  EXPECT_NEAR(rstest::SetPosAzimuth(stand_in_->ReceivedWith("+P")[0].line), -10.0, 0.01);
  ASSERT_TRUE(bridge_.WaitAzimuth(3500, 20s));

  ASSERT_TRUE(stand_in_->Set("az=300"));
  ASSERT_TRUE(bridge_.WaitAzimuth(3000, 10s));
  // A target the bridge saw lately means "stop there": let 350 leave its memory first.
  std::size_t seen = bridge_.macros().size();
  ASSERT_TRUE(WaitUntil([&] { return bridge_.macros().size() >= seen + 6; }, 10s));
  ASSERT_TRUE(bridge_.SendTarget(3500));
  ASSERT_TRUE(WaitUntil([&] { return stand_in_->ReceivedWith("+P").size() == 2; }, 5s));
  EXPECT_NEAR(rstest::SetPosAzimuth(stand_in_->ReceivedWith("+P")[1].line), 350.0, 0.01);
  EXPECT_TRUE(bridge_.WaitAzimuth(3500, 20s));
}

}  // namespace
