// rotator-sim's simulated rotator as a tool of its own: the range mode decides which way it
// turns, and run-time commands (WM_COPYDATA) switch it off and on, set a target, end the
// command conversation and end the program with a status that says how the partner behaved.
// This process plays the bridge: it serves "AntDaten" and links to the command topic.
#include <gtest/gtest.h>

#include <algorithm>

#include "bridge/dde/dde_client_conv_win.h"
#include "dde_support.h"
#include "harness.h"

using namespace harness;
using namespace ddetest;
using namespace std::chrono_literals;
using vexal::dde::TDdeClientConv;
using Lines = std::vector<std::string>;

namespace {

class RotatorSimTool : public BridgeDdeTest {
 protected:
  void Start(const std::string& options) {
    StartRotator(options, "rotator" + std::to_string(++starts_) + ".log");
  }

  // A run-time command by WM_COPYDATA; true when the simulator took it.
  bool Control(const std::string& command) {
    std::string title = "rotator-sim " + std::to_string(rotator_->pid());
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindWindowA("RotatorSimControl", title.c_str())); }, 5s);
    if (!window) return false;
    COPYDATASTRUCT data{0x524F54, static_cast<DWORD>(command.size()),
                        const_cast<char*>(command.data())};
    DWORD_PTR taken = 0;
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, 5000, &taken) &&
           taken;
  }

  // Waits for the simulator's end while answering its DDE goodbye.
  bool ExitCode(DWORD* code) {
    return WaitUntil([&] { return !rotator_->Running(); }, 15s) && rotator_->WaitExit(0ms, code);
  }

  static bool Has(const std::vector<std::string>& v, const std::string& value) {
    return std::find(v.begin(), v.end(), value) != v.end();
  }

  int starts_ = 0;
};

TEST_F(RotatorSimTool, RangeModeDecidesWhichWayItTurnsToATarget) {
  // Range 0 runs from -180 to 180: 350 is 10 degrees west of north, reached turning left.
  Start("--speed 90 --rate 10 --start 10 --range-mode 0");
  ASSERT_TRUE(SawAzimuth("100"));
  std::size_t before = macros_.size();
  ASSERT_TRUE(Control("target 350"));
  ASSERT_TRUE(SawAzimuth("-100"));
  EXPECT_TRUE(Has(DirectionsSince(before), "-1"));
  EXPECT_FALSE(Has(DirectionsSince(before), "1"));
  EXPECT_EQ(macros_.back()[6], "0");
  rotator_->Kill();

  // Range 1 runs from 0 to 360: the same target lies the other way round.
  macros_.clear();
  Start("--speed 90 --rate 10 --start 10 --range-mode 1");
  ASSERT_TRUE(SawAzimuth("100"));
  before = macros_.size();
  ASSERT_TRUE(Control("target 350"));
  ASSERT_TRUE(SawAzimuth("3500", 30s));
  EXPECT_TRUE(Has(DirectionsSince(before), "1"));
  EXPECT_FALSE(Has(DirectionsSince(before), "-1"));
  EXPECT_EQ(macros_.back()[6], "1");
}

TEST_F(RotatorSimTool, SwitchedOffAndOnAtRunTimeAndAStopWhereItStands) {
  Start("--speed 6 --rate 10 --start 20 --range-mode 1");
  ASSERT_TRUE(SawAzimuth("200"));
  ASSERT_TRUE(Control("off"));
  ASSERT_TRUE(SawAzimuth("-100000", 5s));
  ASSERT_TRUE(Control("on"));
  ASSERT_TRUE(SawAzimuth("200", 5s));

  // What the bridge sends for a press of the lime panel: the azimuth it last saw.
  ASSERT_TRUE(Control("target 90"));
  ASSERT_TRUE(WaitUntil(
      [&] { return macros_.back()[2] == "1" && std::stoi(macros_.back()[0]) >= 230; }, 20s));
  std::string seen = macros_.back()[0];
  ASSERT_TRUE(Control("target " + std::to_string(std::stoi(seen) / 10.0)));
  ASSERT_TRUE(WaitUntil([&] { return macros_.back()[2] == "0"; }, 5s));
  int stopped = std::stoi(macros_.back()[0]);
  EXPECT_GE(stopped, std::stoi(seen));
  EXPECT_LE(stopped, std::stoi(seen) + 20) << "it went on toward 90";
  EXPECT_FALSE(Control("dance"));
}

TEST_F(RotatorSimTool, ExitStatusSaysWhetherThePartnerBehaved) {
  Start("--rate 10 --speed 90");
  TDdeClientConv command;
  ASSERT_TRUE(command.LinkTo("rotator-sim", "RotServConv"));
  ASSERT_TRUE(command.ExecuteLines({"HS "}));
  ASSERT_TRUE(command.ExecuteLines({"1200", "0", "0"}));
  ASSERT_TRUE(SawAzimuth("1200"));
  ASSERT_TRUE(Control("quit"));
  DWORD code = 99;
  ASSERT_TRUE(ExitCode(&code));
  EXPECT_EQ(code, 0u);
  command.Unlink();

  // A command of two lines is not what a bridge sends; "end" ends the conversation.
  Start("--rate 10");
  ASSERT_TRUE(command.LinkTo("rotator-sim", "RotServConv"));
  ASSERT_TRUE(command.ExecuteLines({"1200", "0"}));
  ASSERT_TRUE(Control("end"));
  std::string log = dir_ + "\\rotator" + std::to_string(starts_) + ".log";
  ASSERT_TRUE(WaitUntil([&] { return !LinesWith(ReadLines(log), "end terminate").empty(); }, 10s));
  WaitUntil([] { return false; }, 300ms);  // let the terminate arrive
  EXPECT_FALSE(command.ExecuteLines({"HS "}));
  ASSERT_TRUE(Control("quit"));
  ASSERT_TRUE(ExitCode(&code));
  EXPECT_EQ(code, 3u);
  EXPECT_EQ(LinesWith(ReadLines(log), "malformed command").size(), 1u);
}

}  // namespace
