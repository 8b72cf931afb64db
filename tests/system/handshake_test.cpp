// The Logger32 handshake seen from both ends: the bridge's status labels when its window first
// appears, and the codes the simulated Logger32 received, in order, from its log.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "logger_bridge.h"
#include "logger_driver.h"
#include "bridge/window/widget_ids.h"

using namespace harness;
using namespace logger_test;
using namespace std::chrono_literals;
using vexal::kIdLabel5;
using vexal::kIdLabel6;
using vexal::kIdLabel7;

namespace {

constexpr char kVersion[] = "qx0zz 20080401";
constexpr char kConnected[] = "Logger32 connected";
constexpr char kNoFreeWindow[] = "no free Logger32-Window";
// A successful handshake takes a few hundred ms; a failed one adds 2 s; a hang is far beyond.
constexpr Millis kShowTimeout = 30s;

class Handshake : public ::testing::Test {
 protected:
  // No rotator server is configured, so the bridge never opens a rotator link and never releases
  // Logger32: what the simulator logs is the handshake alone.
  void SetUp() override { DeleteVexalKey(); }

  // Starts the simulator with `args`, then the bridge, and waits for the bridge's window.
  void Run(const std::string& args) {
    sim_ = std::make_unique<LoggerDriver>(job_, TestDir(), args);
    ASSERT_NE(sim_->window(), nullptr) << "simulator did not come up";
    bridge_ = std::make_unique<BridgeUnderTest>(job_);
    ASSERT_NE(bridge_->WaitShown(kShowTimeout), nullptr) << "bridge window never appeared";
  }

  std::string Label(int id) const { return bridge_->Text(id); }

  // Times (simulator ms) at which each received code-1 request arrived.
  std::vector<long> RequestTimes() const {
    std::vector<long> times;
    for (const SimEvent& e : Received(sim_->Events()))
      if (e.wparam == 1) times.push_back(e.ms);
    return times;
  }

  Job job_;
  std::unique_ptr<LoggerDriver> sim_;
  std::unique_ptr<BridgeUnderTest> bridge_;
};

std::string Repeat(const std::string& item, int times, const char* separator = ",") {
  std::string list;
  for (int i = 0; i < times; ++i) list += (i ? separator : "") + item;
  return list;
}

TEST_F(Handshake, LoggerAbsentShowsNotFoundAfterTwoSeconds) {
  BridgeUnderTest bridge(job_);
  ASSERT_NE(bridge.WaitShown(kShowTimeout), nullptr);
  EXPECT_EQ(bridge.Text(kIdLabel6), "Logger32 not found");
  EXPECT_EQ(bridge.Text(kIdLabel5), kVersion);
  EXPECT_EQ(bridge.Text(kIdLabel7), "Label7") << "no attempt was made";
  EXPECT_GE(bridge.shown_after_s(), 2.0);
}

TEST_F(Handshake, ConnectsAtFirstAttempt) {
  Run("");
  EXPECT_EQ(Label(kIdLabel6), kConnected);
  EXPECT_EQ(Label(kIdLabel7), "1");
  EXPECT_EQ(Label(kIdLabel5), kVersion);
  // Five pauses of 100 ms lie between the start and the end of the handshake.
  EXPECT_GE(bridge_->shown_after_s(), 0.5);

  std::vector<SimEvent> events = Received(sim_->Events());
  ASSERT_EQ(Codes(events), "1:1 1:2 1:3");
  EXPECT_EQ(events[0].lparam, static_cast<long>(reinterpret_cast<LONG_PTR>(bridge_->window())))
      << "the request carries the main window's handle";
  // A pause of 100 ms lies between each two sends (some slack for delivery jitter).
  EXPECT_GE(events[1].ms - events[0].ms, 90);
  EXPECT_GE(events[2].ms - events[1].ms, 90);
}

TEST_F(Handshake, RefusedNamesAreSkippedUntilOneAnswers) {
  Run("--refuse 1,2");
  EXPECT_EQ(Label(kIdLabel6), kConnected);
  EXPECT_EQ(Label(kIdLabel7), "3");
  EXPECT_EQ(sim_->ReceivedCodes(), "1:1 2:1 3:1 3:2 3:3");
}

TEST_F(Handshake, AllFiveNamesRefusedFails) {
  Run("--refuse 1,2,3,4,5");
  EXPECT_EQ(Label(kIdLabel6), kNoFreeWindow);
  EXPECT_EQ(Label(kIdLabel7), "5");
  EXPECT_EQ(sim_->ReceivedCodes(), "1:1 2:1 3:1 4:1 5:1") << "no code 4 after refusals";
  // 200 ms of pauses per name, then 2 s after the status text.
  EXPECT_GE(bridge_->shown_after_s(), 3.0);
  std::vector<long> times = RequestTimes();
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 180) << i;
}

TEST_F(Handshake, FirstReplyNeedsWparamZeroAndLparamOne) {
  // wParam 0 with lParam 2, then wParam 1 with lParam 1: both refused on every name.
  for (const char* reply : {"0,2", "1,1"}) {
    SCOPED_TRACE(reply);
    Job job;
    LoggerDriver sim(job, TestDir(), std::string("--first-reply ") + reply);
    BridgeUnderTest bridge(job);
    ASSERT_NE(bridge.WaitShown(kShowTimeout), nullptr);
    EXPECT_EQ(bridge.Text(kIdLabel6), kNoFreeWindow);
    EXPECT_EQ(bridge.Text(kIdLabel7), "5");
    EXPECT_EQ(sim.ReceivedCodes(), "1:1 2:1 3:1 4:1 5:1");
  }
}

TEST_F(Handshake, TenRepliesWithoutThreeSendFourOnceAndTryNoOtherName) {
  Run("--reply-phase " + Repeat("7", 10));
  EXPECT_EQ(Label(kIdLabel6), kNoFreeWindow);
  EXPECT_EQ(Label(kIdLabel7), "1");
  EXPECT_EQ(sim_->ReceivedCodes(), "1:1 1:2 1:3 1:4");
  EXPECT_GE(bridge_->shown_after_s(), 2.4);
}

TEST_F(Handshake, ThreeFollowedByOthersSucceedsWhenTheCountReachesTen) {
  // 3 and nine 7s: ten counted reads, no 100 to end the phase early.
  Run("--reply-phase 3," + Repeat("7", 9));
  EXPECT_EQ(Label(kIdLabel6), kConnected);
  EXPECT_EQ(sim_->ReceivedCodes(), "1:1 1:2 1:3") << "success sends no code 4";
}

TEST_F(Handshake, HundredsBeforeThreeResendTwoAndAreNotCounted) {
  // Twelve 100s before the 3: counted, they would use up the ten reads and fail the phase.
  Run("--reply-phase " + Repeat("100", 12) + ",3,100");
  EXPECT_EQ(Label(kIdLabel6), kConnected);
  EXPECT_EQ(sim_->ReceivedCodes(), "1:1 1:2 1:3 " + Repeat("1:2", 12, " "));
}

TEST_F(Handshake, HundredAnsweringCodeTwoStillConnects) {
  Run("--hundred-first 1");
  EXPECT_EQ(Label(kIdLabel6), kConnected);
  // The 100 posted for the first code 2 is read before the 3 and asks for one more code 2.
  EXPECT_EQ(sim_->ReceivedCodes(), "1:1 1:2 1:3 1:2");
}

TEST_F(Handshake, SilentPartnerStillLetsTheWindowAppear) {
  Run("--silent");
  EXPECT_EQ(Label(kIdLabel6), kNoFreeWindow);
  EXPECT_EQ(Label(kIdLabel5), kVersion);
  std::string codes = sim_->ReceivedCodes();
  EXPECT_EQ(codes.substr(0, 3), "1:1") << codes;
  EXPECT_EQ(codes.find(":2"), std::string::npos) << "no reply phase without a first reply";
}

}  // namespace
