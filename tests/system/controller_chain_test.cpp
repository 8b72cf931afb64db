// The whole chain over Hamlib's real controller drivers: Logger32 (simulated) -> bridge ->
// RotServer.exe -> Debian's rotctld -m MODEL -r PTY -> a controller stand-in on the
// pseudo-terminal (GS-232B 603, Rot2Prog 901, Easycomm II 202), turning at 30 degrees a second.
// What the operator sees on the bridge and in RotServer's window, and the commands that reach
// the controller.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "controller_support.h"
#include "rose_picture.h"
#include "rotserver/win/main_window_win.h"

using namespace std::chrono_literals;
using controllertest::ControllerChain;
using Sent = std::vector<std::string>;


class ChainTurns : public ControllerChain {
 protected:
  // A fault shows in RotServer's status line (one of `shown`) and, with `with_off`, as "AUS"
  // on the bridge; once undone, the status line is as before and the bridge shows a reading.
  void ShowsAndRecovers(const std::string& fault, const std::string& undo,
                        const std::vector<std::string>& shown, bool with_off) {
    std::string healthy = StatusLine();
    ASSERT_EQ(controller_->Control(fault), "ok");
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
          std::string line = StatusLine();
          for (const std::string& part : shown)
            if (line.find(part) != std::string::npos) return true;
          return false;
        },
        20s))
        << fault << ": " << StatusLine();
    if (with_off) {
      EXPECT_TRUE(WaitShown("AUS", 20s)) << fault << ": " << Shown();
    }
    ASSERT_EQ(controller_->Control(undo), "ok");
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return StatusLine() == healthy && Shown() != "AUS"; }, 30s))
        << undo << ": " << StatusLine() << " / " << Shown();
  }

  // After the faults, the first command that moves the rotator is the operator's next turn.
  void NothingUnasked(const std::string& query, const Sent& to_90, const std::string& at_90) {
    ASSERT_TRUE(Turn(90));
    EXPECT_TRUE(controller_->WaitPosition(at_90, 30s)) << controller_->Position();
    EXPECT_TRUE(WaitShown("90", 10s)) << Shown();
    EXPECT_EQ(Orders(query), to_90);
  }

  void TurnsAndStops(const std::string& query, const Sent& to_120, const Sent& to_45,
                     const Sent& to_200_and_stop, const std::string& at_120,
                     const std::string& at_45) {
    controller_->Control("clear");
    ASSERT_TRUE(Turn(120));
    EXPECT_TRUE(controller_->WaitPosition(at_120, 30s)) << controller_->Position();
    EXPECT_TRUE(WaitShown("120", 10s)) << Shown();
    EXPECT_EQ(Orders(query), to_120);

    controller_->Control("clear");
    ASSERT_TRUE(Turn(45));
    EXPECT_TRUE(controller_->WaitPosition(at_45, 30s)) << controller_->Position();
    EXPECT_TRUE(WaitShown("45", 10s)) << Shown();
    EXPECT_EQ(Orders(query), to_45);

    // Slower, so that the press lands on the way.
    controller_->Control("set speed=5");
    controller_->Control("clear");
    ASSERT_TRUE(Turn(200));
    ASSERT_TRUE(harness::WaitUntil(
        [&] { return std::atof(controller_->Position().c_str()) >= 60.0; }, 30s));
    PressStop();
    ASSERT_TRUE(harness::WaitUntil([&] { return Orders(query) == to_200_and_stop; }, 10s))
        << ::testing::PrintToString(Orders(query));
    std::string stopped = controller_->Position();
    EXPECT_LT(std::atof(stopped.c_str()), 100.0);
    // Two position queries after the stop: it still stands there, and nothing else was sent.
    std::size_t queries = controller_->Commands().size();
    ASSERT_TRUE(harness::WaitUntil([&] { return controller_->Commands().size() >= queries + 2; },
                                   15s));
    EXPECT_EQ(controller_->Position(), stopped);
    EXPECT_EQ(Orders(query), to_200_and_stop);
  }
};

TEST_F(ChainTurns, Gs232bTurnsStopsTakesItsOverlapAndRecoversFromSilenceAndGarble) {
  StartChain("gs232b", "30", "30");
  TurnsAndStops("C2", {"W120 000"}, {"W045 000"}, {"W200 000", "S"}, "120", "45");

  // A 450-degree rotator standing at 400 (40, in its overlap): 30 is nearest at 390, 200 at 200.
  controller_->Control("set az=400 speed=30");
  ASSERT_TRUE(WaitShown("40", 10s)) << Shown();
  controller_->Control("clear");
  ASSERT_TRUE(Turn(30));
  EXPECT_TRUE(controller_->WaitPosition("390", 30s)) << controller_->Position();
  EXPECT_TRUE(WaitShown("30", 10s)) << Shown();
  EXPECT_EQ(Orders("C2"), Sent({"W390 000"}));
  // The elevation axis stands at 35: a turn of the azimuth holds it there.
  controller_->Control("set el=35");
  controller_->Control("clear");
  ASSERT_TRUE(harness::WaitUntil([&] { return controller_->Commands().size() >= 2; }, 10s));
  ASSERT_TRUE(Turn(200));
  EXPECT_TRUE(controller_->WaitPosition("200", 30s)) << controller_->Position();
  EXPECT_EQ(Orders("C2"), Sent({"W200 035"}));
  // The window shows the elevation on the line under the heading.
  const auto activity = [&] {
    return rstest::WideText(GetDlgItem(rotator_->window(), rotserver::kIdActivity));
  };
  EXPECT_TRUE(harness::WaitUntil([&] { return activity().rfind(L"El 35\u00b0, ", 0) == 0; }, 10s))
      << rotator_->ChildText(rotserver::kIdActivity);

  // Silent: the driver's four tries end in RPRT -5 after about 1.8 s; a garbled reply does not
  // parse. Either shows until the controller answers properly again.
  controller_->Control("clear");
  ShowsAndRecovers("silent 600", "silent 0", {"position query: RPRT -5 (communication timed out)"},
                   true);
  ShowsAndRecovers("garble 1000", "garble 0", {"position query: RPRT -8 (protocol error)"}, true);
  NothingUnasked("C2", {"W090 035"}, "90");  // the elevation still where it was read
}

TEST_F(ChainTurns, Rot2ProgTurnsStopsAndRecoversFromSilence) {
  StartChain("rot2prog", "30", "30");
  TurnsAndStops("status", {"set 120.0"}, {"set 45.0"}, {"set 200.0", "stop"}, "120.0", "45.0");

  // Silent: the driver's four tries of 700 ms end in RPRT -5 after about 2.8 s; RotServer may
  // have given up on the reply first and be connecting again.
  controller_->Control("clear");
  ShowsAndRecovers("silent 600", "silent 0",
                   {"position query: RPRT -5 (communication timed out)", "reconnecting"}, true);
  NothingUnasked("status", {"set 90.0"}, "90.0");
}

TEST_F(ChainTurns, Easycomm2TurnsStopsAndRecoversFromSlowAndSilentReplies) {
  StartChain("easycomm2", "30", "30");
  TurnsAndStops("AZ EL", {"AZ120.0 EL0.0"}, {"AZ45.0 EL0.0"}, {"AZ200.0 EL0.0", "SA SE"},
                "120.0", "45.0");

  // The driver waits 200 ms for a reply: one 400 ms late is a timeout, as is silence.
  controller_->Control("clear");
  ShowsAndRecovers("slow 400", "slow 0", {"position query: RPRT -5 (communication timed out)"},
                   true);
  ShowsAndRecovers("silent 600", "silent 0", {"position query: RPRT -5 (communication timed out)"},
                   true);
  NothingUnasked("AZ EL", {"AZ90.0 EL0.0"}, "90.0");
}

