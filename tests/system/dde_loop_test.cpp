// Both directions at once: this process serves "AntDaten" and links to rotator-sim's command
// topic, as the bridge does; the simulated rotator turns toward the targets we send and
// reports each step as a status macro.
#include <gtest/gtest.h>

#include "bridge/dde/dde_client_conv_win.h"
#include "dde_support.h"
#include "harness.h"

using namespace harness;
using namespace ddetest;
using namespace std::chrono_literals;
using vexal::dde::TDdeClientConv;
using Lines = std::vector<std::string>;

namespace {

class DdeLoop : public BridgeDdeTest {
 protected:
  TDdeClientConv command_;
};

TEST_F(DdeLoop, RotatorTurnsToEachTargetAndReportsOnTheWay) {
  StartRotator("--speed 90 --rate 10 --start 10 --range-mode 1");
  ASSERT_TRUE(SawAzimuth("100"));
  EXPECT_EQ(macros_.back(), (Lines{"100", "0", "0", "0", "0", "0", "1", "0", "0", "0"}));

  ASSERT_TRUE(command_.LinkTo("rotator-sim", "RotServConv"));
  ASSERT_TRUE(command_.ExecuteLines({"HS "}));
  std::size_t before_right = macros_.size();
  ASSERT_TRUE(command_.ExecuteLines({"900", "0", "0"}));
  ASSERT_TRUE(SawAzimuth("900"));
  auto right = DirectionsSince(before_right);
  EXPECT_NE(std::find(right.begin(), right.end(), "1"), right.end());
  EXPECT_EQ(std::find(right.begin(), right.end(), "-1"), right.end());

  std::size_t before_left = macros_.size();
  ASSERT_TRUE(command_.ExecuteLines({"450", "0", "0"}));
  ASSERT_TRUE(SawAzimuth("450"));
  auto left = DirectionsSince(before_left);
  EXPECT_NE(std::find(left.begin(), left.end(), "-1"), left.end());
  // Standing again once there.
  EXPECT_TRUE(WaitUntil([&] { return macros_.back()[2] == "0"; }, 5s));
  for (const auto& m : macros_) EXPECT_EQ(m.size(), 10u);
}

TEST_F(DdeLoop, RotatorSwitchedOffReportsTheOffMark) {
  StartRotator("--off --rate 10");
  ASSERT_TRUE(SawAzimuth("-100000"));
  ASSERT_TRUE(command_.LinkTo("rotator-sim", "RotServConv"));
  ASSERT_TRUE(command_.ExecuteLines({"900", "0", "0"}));
  std::size_t after = macros_.size();
  WaitUntil([&] { return macros_.size() >= after + 5; }, 10s);
  for (std::size_t i = after; i < macros_.size(); ++i) EXPECT_EQ(macros_[i][0], "-100000");
}

}  // namespace
