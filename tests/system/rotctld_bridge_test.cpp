// The bridge driving a real rotctld (Hamlib's dummy rotator, about 6 degrees a second) through
// RotServer: turn requests from Logger32, the direction on the panels, a stop from the lime
// panel, rotctld lost and back, rotctld hung, and the bridge starting RotServer itself.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "controls_input.h"
#include "dde_support.h"
#include "rotctld_support.h"
#include "rotserver/win/main_window_win.h"
#include "bridge/window/colors.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using namespace rotctldtest;
using vexal::clLime;
using vexal::clRed;
using vexal::kIdIstAzimut;
using vexal::kIdPanelLinks;
using vexal::kIdPanelRechts;

namespace {

int AzimuthShown(const std::string& text) {
  return text == "AUS" ? -1 : std::atoi(text.c_str());
}

}  // namespace

TEST_F(RotctldChain, TurnRequestEndsAtTheTargetWithTheDirectionShownOnTheWay) {
  StartChain();
  ASSERT_TRUE(logger_->Command("turn 120"));
  EXPECT_TRUE(WaitPanel(kIdPanelRechts, clLime, 10s));
  EXPECT_EQ(PanelColor(kIdPanelLinks), clRed);
  EXPECT_TRUE(WaitText(kIdIstAzimut, "120", 60s)) << Text(kIdIstAzimut);
  auto azimuth = rotctld_.Azimuth();
  ASSERT_TRUE(azimuth);
  EXPECT_NEAR(*azimuth, 120.0, 0.5);
  // Standing again: both panels red.
  EXPECT_TRUE(WaitPanel(kIdPanelRechts, clRed, 5s));
  EXPECT_EQ(PanelColor(kIdPanelLinks), clRed);
  EXPECT_EQ(Count("rotctld > +P 120.00 0.00"), 1u);
}

TEST_F(RotctldChain, LimePanelPressStopsTheRotatorWhereItStands) {
  StartChain();
  ASSERT_TRUE(logger_->Command("turn 120"));
  ASSERT_TRUE(WaitPanel(kIdPanelRechts, clLime, 10s));
  ASSERT_TRUE(harness::WaitUntil([&] { return AzimuthShown(Text(kIdIstAzimut)) >= 20; }, 30s));
  HWND panel = GetDlgItem(window_, kIdPanelRechts);
  ASSERT_TRUE(controls::BringToFront(window_, 5s));
  ASSERT_TRUE(controls::MoveTo(controls::CentreOf(panel)));
  int pressed_at = AzimuthShown(Text(kIdIstAzimut));
  controls::Press(controls::Button::Left);
  controls::Release(controls::Button::Left);

  auto stopped = SettledAzimuth(30s);
  ASSERT_TRUE(stopped);
  // Sent with the next status macro or two; at 6 degrees a second that is a few degrees on.
  EXPECT_GE(*stopped, pressed_at - 1.0);
  EXPECT_LE(*stopped, pressed_at + 8.0);
  EXPECT_GE(Count("rotctld > +S"), 1u);
  EXPECT_TRUE(WaitPanel(kIdPanelRechts, clRed, 5s));
  // Shown in whole degrees from tenths: within one degree of rotctld's own figure.
  EXPECT_TRUE(harness::WaitUntil(
      [&] { return std::abs(AzimuthShown(Text(kIdIstAzimut)) - *stopped) <= 1.0; }, 5s))
      << Text(kIdIstAzimut) << " for " << *stopped;
}

TEST_F(RotctldChain, RotctldLostMidTurnShowsOffAndBackWithoutReplayingTheTarget) {
  StartChain();
  ASSERT_TRUE(logger_->Command("turn 120"));
  ASSERT_TRUE(harness::WaitUntil([&] { return AzimuthShown(Text(kIdIstAzimut)) >= 10; }, 30s));

  ASSERT_TRUE(rotctld_.Request("kill"));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "AUS", 5s)) << Text(kIdIstAzimut);

  ASSERT_TRUE(rotctld_.Request("start"));  // a fresh dummy rotator, standing at 0
  EXPECT_TRUE(WaitText(kIdIstAzimut, "0", 15s)) << Text(kIdIstAzimut);
  // A few polls later it still stands: the old target was not sent again.
  std::size_t polls = Count("rotctld > +p");
  ASSERT_TRUE(harness::WaitUntil([&] { return Count("rotctld > +p") >= polls + 3; }, 10s));
  auto azimuth = rotctld_.Azimuth();
  ASSERT_TRUE(azimuth);
  EXPECT_NEAR(*azimuth, 0.0, 0.05) << "an old target was sent again";
  EXPECT_EQ(Count("rotctld > +P"), 1u);
  EXPECT_EQ(Text(kIdIstAzimut), "0");
}

TEST_F(RotctldChain, HungRotctldShowsOffWhileTheDdeSideKeepsAnswering) {
  StartChain();
  ASSERT_TRUE(rotctld_.Request("pause"));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "AUS", 10s));
  EXPECT_TRUE(harness::WaitUntil(
      [&] {
        return rotator_->ChildText(rotserver::kIdStatusDetails).find("no answer") != std::string::npos;
      },
      10s))
      << rotator_->ChildText(rotserver::kIdStatusDetails);
  // RotServer still answers a command at once (the bridge holds its targets while the
  // rotator is off, so send one directly).
  auto run = ddetest::RunSim(
      job_, "--client --service RotServer --topic RotServConv --exec 300\\r\\n0\\r\\n0\\r\\n",
      dir_ + "\\client.log");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0u) << "the command was not acknowledged";
  EXPECT_EQ(Count("execute size=12 text=\"300\\r\\n0\\r\\n0\\r\\n\\0\""), 1u);

  ASSERT_TRUE(rotctld_.Request("resume"));
  EXPECT_TRUE(harness::WaitUntil([&] { return AzimuthShown(Text(kIdIstAzimut)) >= 0; }, 20s))
      << Text(kIdIstAzimut);
  // Marker: a target from Logger32, through the bridge, reaches rotctld after anything that was
  // kept back. Every set-position RotServer sent: that one alone (300 tenths would have gone
  // out as 30.00).
  ASSERT_TRUE(logger_->Command("turn 5"));
  ASSERT_TRUE(harness::WaitUntil([&] { return Count("rotctld > +P 5.00 0.00") >= 1; }, 15s));
  EXPECT_EQ(SetPositions(), (std::vector<std::string>{"+P 5.00 0.00\\n"}))
      << "the target taken while rotctld hung was sent";
}

TEST_F(RotctldChain, BridgeStartsRotServerFromTheRegistryWhenNobodyAnswers) {
  harness::SetProgramValue(rstest::RotServerPath());
  rstest::StoreSettings(rstest::RotctldSettings(rotctld_.Address()));

  logger_ = std::make_unique<logger_test::LoggerDriver>(job_, dir_);
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  window_ = bridge_->WaitShown(40s);
  ASSERT_NE(window_, nullptr);
  // Started by WinExec, so outside the test's job: ended by its process id.
  HWND rotserver = harness::FindTopWindow(rotserver::kMainWindowTitle, 0, false);
  ASSERT_NE(rotserver, nullptr) << "the bridge did not start RotServer";
  DWORD pid = 0;
  GetWindowThreadProcessId(rotserver, &pid);
  struct EndByPid {
    DWORD pid;
    ~EndByPid() {
      if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
      }
    }
  } end{pid};
  EXPECT_TRUE(IsIconic(rotserver)) << "started minimised, as WinExec asked";

  EXPECT_TRUE(WaitText(kIdIstAzimut, "0", 15s)) << Text(kIdIstAzimut);
  ASSERT_TRUE(logger_->Command("turn 10"));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "10", 30s)) << Text(kIdIstAzimut);
}
