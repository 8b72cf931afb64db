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

using namespace std::chrono_literals;
using controllertest::ControllerChain;
using Sent = std::vector<std::string>;


class ChainTurns : public ControllerChain {
 protected:
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

TEST_F(ChainTurns, Gs232bTurnsInWholeDegreesStopsAndTakesTheNearestWayInsideItsOverlap) {
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
  controller_->Control("clear");
  ASSERT_TRUE(Turn(200));
  EXPECT_TRUE(controller_->WaitPosition("200", 30s)) << controller_->Position();
  EXPECT_EQ(Orders("C2"), Sent({"W200 000"}));
}

TEST_F(ChainTurns, Rot2ProgTurnsInHalfDegreeStepsAndStops) {
  StartChain("rot2prog", "30", "30");
  TurnsAndStops("status", {"set 120.0"}, {"set 45.0"}, {"set 200.0", "stop"}, "120.0", "45.0");
}

TEST_F(ChainTurns, Easycomm2TurnsInTenthsAndStops) {
  StartChain("easycomm2", "30", "30");
  TurnsAndStops("AZ EL", {"AZ120.0 EL0.0"}, {"AZ45.0 EL0.0"}, {"AZ200.0 EL0.0", "SA SE"},
                "120.0", "45.0");
}

TEST_F(ControllerChain, Gs232bSlowAndSilentControllerShowInRotServerAndRecoverUnasked) {
  StartChain("gs232b", "30", "30");
  std::string healthy = StatusLine();
  std::printf("healthy: %s\n", healthy.c_str());
  controller_->Control("clear");
  controller_->Control("slow 1000");
  harness::WaitUntil([] { return false; }, 6s);
  std::printf("slow: %s / %s\n", StatusLine().c_str(), Shown().c_str());
  controller_->Control("slow 0");
  harness::WaitUntil([] { return false; }, 4s);
  std::printf("after slow: %s / %s\n", StatusLine().c_str(), Shown().c_str());
  controller_->Control("silent 8");
  harness::WaitUntil([] { return false; }, 5s);
  std::printf("silent: %s / %s\n", StatusLine().c_str(), Shown().c_str());
  harness::WaitUntil([] { return false; }, 8s);
  std::printf("after silent: %s / %s\n", StatusLine().c_str(), Shown().c_str());
  ASSERT_TRUE(Turn(60));
  EXPECT_TRUE(controller_->WaitPosition("60", 30s)) << controller_->Position();
  EXPECT_EQ(Orders("C2"), Sent({"W060 000"}));
}
