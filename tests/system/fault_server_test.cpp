// The rotator server side under faults and load: a server killed without a word, and two
// clients executing status macros at full speed at once.
#include <gtest/gtest.h>

#include "dde_support.h"
#include "fault_support.h"
#include "marker_support.h"
#include "bridge/window/colors.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using namespace faulttest;
using namespace vexal;

class FaultServer : public FaultTest {};

TEST_F(FaultServer, KilledServerEndsTheLinkOnceAndANewServerIsStillShown) {
  StartLinked();
  rotator_->Kill();  // TerminateProcess: no terminate, no unregister reaches the bridge

  // Taken while the bridge has not noticed yet; the link is gone, so it must never be sent.
  ASSERT_TRUE(logger_->Command("turn 245"));
  ASSERT_TRUE(WaitText(kIdEditAzimut, "245", 5s));

  // A new server under the same name: its first status macro makes the bridge look.
  rotator_log_ = dir_ + "\\rotator2.log";
  rotator_ = ddetest::StartSimServer(job_, "", rotator_log_);
  ExpectShowsStatus(1500, "150");
  EXPECT_TRUE(WaitText(kIdLabel6, "Logger32 not connected", 10s));
  ASSERT_TRUE(logger_->WaitFor("recv", 4, 5s));

  ExpectShowsStatus(2000, "200");
  ExpectShowsStatus(-100000, "AUS");
  // No reconnect, no greeting, no target for the new server.
  EXPECT_EQ(markers::ReceivedUpToMarker(job_, dir_, rotator_log_), markers::ThenMarker({}));
  EXPECT_EQ(Releases(), 1);
  ExpectAlive();

  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(bridge_->process().WaitExit(10s));
  EXPECT_EQ(Releases(), 1);
}

TEST_F(FaultServer, TwoClientsAtFullSpeedAreBothServedAndTheLastMacroIsShown) {
  StartLinked();
  ASSERT_TRUE(logger_->Command("turn 77"));
  ASSERT_TRUE(WaitText(kIdEditAzimut, "77", 5s));

  // Left-turning macros 0.0..299.9 degrees against right-turning ones from 200.0.
  const int count = 3000;
  const std::string out_a = dir_ + "\\a.txt", out_b = dir_ + "\\b.txt";
  auto a =
      StartStress("macros --count " + std::to_string(count) + " --base 0 --direction -1", out_a);
  auto b =
      StartStress("macros --count " + std::to_string(count) + " --base 2000 --direction 1", out_b);
  StressResult ra = Finish(*a, out_a, 150s);
  StressResult rb = Finish(*b, out_b, 150s);
  ASSERT_TRUE(ra.finished && rb.finished);
  EXPECT_EQ(ra.Number("acked"), count) << ra.Value("first-failure");
  EXPECT_EQ(rb.Number("acked"), count) << rb.Value("first-failure");

  // The display belongs wholly to one client's last macro.
  const std::string shown = Text(kIdIstAzimut);
  if (shown == "300") {  // a's last: 2999 tenths, turning left
    EXPECT_EQ(PanelColor(kIdPanelLinks), clLime);
    EXPECT_EQ(PanelColor(kIdPanelRechts), clRed);
  } else {
    EXPECT_EQ(shown, "140");  // b's last: (2000 + 2999) mod 3600 tenths, turning right
    EXPECT_EQ(PanelColor(kIdPanelLinks), clRed);
    EXPECT_EQ(PanelColor(kIdPanelRechts), clLime);
  }
  // The one pending target went with exactly one of the 6000 macros.
  EXPECT_EQ(markers::ReceivedUpToMarker(job_, dir_, rotator_log_),
            markers::ThenMarker({bridgetest::kGreetingHex, bridgetest::CommandHex("770")}));
  ExpectAlive();
}
