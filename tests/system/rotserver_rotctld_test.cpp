// RotServer.exe in front of Hamlib's real rotctld with its dummy rotator (about 6 degrees a
// second, range -180..450), kept by the ctest fixture "rotctld". This process plays the
// bridge's DDE side; the operator's Stop button is pressed on RotServer's own window.
#include <gtest/gtest.h>

#include <cmath>

#include "rotctld_support.h"
#include "rotserver_support.h"
#include "rotserver/win/main_window_win.h"

using namespace std::chrono_literals;
using harness::WaitUntil;

namespace {

constexpr int kOff = -100000;  // line 1 of a status macro without a reading

class RotctldRotServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(rotctld_.port(), 0u)
        << "no rotctld: run through ctest (fixture rotctld) or tests/rotctld-fixture start "
           "build/windows/rotctld-fixture";
    ASSERT_TRUE(rotctld_.Request("restart"));
    harness::DeleteVexalKey();
    dir_ = harness::TestDir();
    rstest::StoreSettings(rstest::RotctldSettings(rotctld_.Address()));
    server_ = std::make_unique<rstest::RotServer>(job_, dir_ + "\\rotserver.log");
    ASSERT_TRUE(bridge_.WaitAzimuth(0, 20s)) << "no reading of the dummy rotator at the bridge";
  }
  void TearDown() override {
    job_.KillAll();
    harness::DeleteVexalKey();
    rotctld_.Request("resume");
    rotctld_.Request("start");
  }

  int Latest() const { return bridge_.LatestAzimuth().value_or(kOff); }

  rotctldtest::DummyRotctld rotctld_;
  harness::Job job_;
  std::string dir_;
  rstest::FakeBridge bridge_;
  std::unique_ptr<rstest::RotServer> server_;
};

TEST_F(RotctldRotServer, TurnTo120EndsAt120) {
  ASSERT_TRUE(bridge_.SendTarget(1200));
  // Turning right on the way, then standing at the target.
  EXPECT_TRUE(WaitUntil(
      [&] { return !bridge_.macros().empty() && bridge_.macros().back()[2] == "1"; }, 10s));
  EXPECT_TRUE(bridge_.WaitAzimuth(1200, 60s)) << Latest();
  auto azimuth = rotctld_.Azimuth();
  ASSERT_TRUE(azimuth);
  EXPECT_NEAR(*azimuth, 120.0, 0.05);
  EXPECT_TRUE(WaitUntil([&] { return bridge_.macros().back()[2] == "0"; }, 10s));
}

TEST_F(RotctldRotServer, StopButtonStopsTheRotatorWhereItStands) {
  ASSERT_TRUE(bridge_.SendTarget(1200));
  ASSERT_TRUE(WaitUntil([&] { return Latest() >= 200; }, 30s));
  HWND stop = GetDlgItem(server_->window(), rotserver::kIdStopButton);
  ASSERT_NE(stop, nullptr);
  int pressed_at = Latest();
  SendMessageA(stop, BM_CLICK, 0, 0);
  ASSERT_TRUE(server_->WaitLog("operator stop", 5s));

  auto stopped = WaitUntil([&] { return bridge_.macros().back()[2] == "0"; }, 10s);
  ASSERT_TRUE(stopped) << "still turning";
  auto azimuth = rotctld_.Azimuth();
  ASSERT_TRUE(azimuth);
  // The stop goes out at once; the reading seen at the press is at most a poll old.
  EXPECT_GE(*azimuth, pressed_at / 10.0 - 0.5);
  EXPECT_LE(*azimuth, pressed_at / 10.0 + 4.0);
  EXPECT_LT(*azimuth, 100.0) << "it went on toward 120";
}

TEST_F(RotctldRotServer, RotctldKilledShowsOffAndRestartedComesBackWithoutTheOldTarget) {
  ASSERT_TRUE(bridge_.SendTarget(1200));
  ASSERT_TRUE(WaitUntil([&] { return Latest() >= 100; }, 30s));

  ASSERT_TRUE(rotctld_.Request("kill"));
  EXPECT_TRUE(bridge_.WaitAzimuth(kOff, 10s)) << "a stale reading was reported as live";
  EXPECT_TRUE(WaitUntil(
      [&] {
        return server_->ChildText(rotserver::kIdStatusDetails).find("reconnecting") !=
               std::string::npos;
      },
      10s))
      << server_->ChildText(rotserver::kIdStatusDetails);

  ASSERT_TRUE(rotctld_.Request("start"));  // a fresh dummy rotator, standing at 0
  ASSERT_TRUE(bridge_.WaitAzimuth(0, 20s)) << Latest();
  // Several readings later it still stands at 0: the old target was not sent again.
  std::size_t seen = bridge_.macros().size();
  ASSERT_TRUE(WaitUntil([&] { return bridge_.macros().size() >= seen + 12; }, 10s));
  EXPECT_EQ(Latest(), 0);
  EXPECT_NEAR(rotctld_.Azimuth().value_or(-1), 0.0, 0.05);
}

}  // namespace
