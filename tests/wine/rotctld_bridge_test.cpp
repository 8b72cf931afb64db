// The bridge driving a real rotctld (Hamlib's dummy rotator, about 6 degrees a second) through
// rotator-sim: turn requests from Logger32, the direction on the panels, a stop from the lime
// panel, rotctld lost and back, and the bridge starting the server itself.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "controls_input.h"
#include "dde_support.h"
#include "rotctld_support.h"
#include "window/colors.h"
#include "window/widget_ids.h"

using namespace std::chrono_literals;
using namespace rotctldtest;
using ddetest::LinesWith;
using vexal::clLime;
using vexal::clRed;
using vexal::kIdIstAzimut;
using vexal::kIdPanelLinks;
using vexal::kIdPanelRechts;

namespace {

int AzimuthShown(const std::string& text) {
  return text == "AUS" ? -1 : std::atoi(text.c_str());
}

// The position commands that reached rotctld, in order, e.g. "P 120.0 0.00".
std::vector<std::string> PositionCommands(const std::vector<std::string>& log) {
  std::vector<std::string> commands;
  for (const auto& line : LinesWith(log, "rotctld > P "))
    commands.push_back(line.substr(line.find("rotctld > ") + 10));
  return commands;
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
  EXPECT_EQ(LinesWith(Log(), "rotctld > P 120.0 0.00").size(), 1u);
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
  EXPECT_FALSE(LinesWith(Log(), "rotctld > S").empty());
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
  std::size_t before = StatusLines(Log()).size();
  EXPECT_TRUE(WaitText(kIdIstAzimut, "AUS", 5s));
  auto statuses = StatusLines(Log());
  std::size_t first_off = before;
  while (first_off < statuses.size() && statuses[first_off].azimuth != -100000) ++first_off;
  ASSERT_LT(first_off, statuses.size());
  EXPECT_LE(first_off - before, 1u) << "status macros with the rotator on after the kill";

  ASSERT_TRUE(rotctld_.Request("start"));  // a fresh dummy rotator, standing at 0
  EXPECT_TRUE(WaitText(kIdIstAzimut, "0", 15s)) << Text(kIdIstAzimut);
  // Marker: a new target goes out with the next status macro; an old one sent again would
  // have reached rotctld before it.
  ASSERT_TRUE(logger_->Command("turn 5"));
  ASSERT_TRUE(harness::WaitUntil([&] { return PositionCommands(Log()).size() >= 2; }, 15s));
  EXPECT_EQ(PositionCommands(Log()), (std::vector<std::string>{"P 120.0 0.00", "P 5.0 0.00"}))
      << "an old target was sent again";
}

TEST_F(RotctldChain, HungRotctldShowsOffWhileTheDdeSideKeepsAnswering) {
  StartChain();
  ASSERT_TRUE(rotctld_.Request("pause"));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "AUS", 10s));
  EXPECT_FALSE(LinesWith(Log(), "rotctld down: no answer").empty());
  // The server still answers a command at once (the bridge holds its targets while the
  // rotator is off, so send one directly) and drops it rather than keep it for later.
  auto run = ddetest::RunSim(
      job_, "--client --service rotator-sim --topic RotServConv --exec 300\\r\\n0\\r\\n0\\r\\n",
      dir_ + "\\client.log");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(LinesWith(Log(), "target 300 dropped: rotctld not connected").empty());
  std::size_t reports = StatusLines(Log()).size();
  EXPECT_TRUE(harness::WaitUntil([&] { return StatusLines(Log()).size() >= reports + 4; }, 5s));

  ASSERT_TRUE(rotctld_.Request("resume"));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "0", 20s)) << Text(kIdIstAzimut);
  // Marker: a target from Logger32 reaches rotctld after anything sent before it.
  ASSERT_TRUE(logger_->Command("turn 5"));
  ASSERT_TRUE(harness::WaitUntil([&] { return !PositionCommands(Log()).empty(); }, 15s));
  EXPECT_EQ(PositionCommands(Log()), std::vector<std::string>{"P 5.0 0.00"})
      << "the dropped target was sent";
}

TEST_F(RotctldChain, BridgeStartsTheServerFromTheRegistryWhenNobodyAnswers) {
  harness::SetProgramValue(ddetest::SimPath());
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vexal", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  auto set = [&](const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  };
  set("RotatorBackend", "rotctld");
  set("RotctldAddress", rotctld_.Address());
  set("RotatorLog", log_);
  RegCloseKey(key);

  logger_ = std::make_unique<logger_test::LoggerSim>(job_, dir_);
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  window_ = bridge_->WaitShown(40s);
  ASSERT_NE(window_, nullptr);
  auto starts = LinesWith(Log(), " start pid=");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(ddetest::Field(starts[0], "show"), "7");  // WinExec's SW_SHOWMINNOACTIVE
  EXPECT_NE(starts[0].find(" backend=rotctld "), std::string::npos) << starts[0];
  EXPECT_FALSE(
      LinesWith(Log(), "settings: RotatorBackend=rotctld rotctld=" + rotctld_.Address()).empty());

  EXPECT_TRUE(WaitText(kIdIstAzimut, "0", 15s)) << Text(kIdIstAzimut);
  ASSERT_TRUE(logger_->Command("turn 10"));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "10", 30s)) << Text(kIdIstAzimut);
  ddetest::KillLoggedStarts(log_);
}
