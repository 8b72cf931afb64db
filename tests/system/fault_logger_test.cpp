// Logger32 failing during the handshake, and a rotator command line far beyond what DDE and
// WinExec take: the window must still come up, in bounded time, and keep working.
#include <gtest/gtest.h>

#include "dde_support.h"
#include "fault_support.h"
#include "marker_support.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using namespace faulttest;
using namespace vexal;

class FaultLogger : public FaultTest {
 protected:
  // The handshake gives up on a partner that stops answering; every wait of it is bounded.
  void ExpectFailedHandshakeWithin(double seconds) {
    window_ = bridge_->WaitShown(60s);
    ASSERT_NE(window_, nullptr) << "the window never appeared";
    EXPECT_LE(bridge_->shown_after_s(), seconds);
    EXPECT_EQ(Text(kIdLabel6), "no free Logger32-Window");
    ExpectAlive();
    ExpectShowsStatus(900, "90");
    EXPECT_EQ(markers::ReceivedUpToMarker(job_, dir_, rotator_log_), markers::ThenMarker({}))
        << "no link after a failed handshake";
  }
};

TEST_F(FaultLogger, SilentLogger32DelaysTheWindowOnlyBoundedly) {
  StartRotatorServer();
  StartLogger("--silent");
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  // Five names, each 200 ms of pauses and one 2 s read, then the 2 s failure pause.
  ExpectFailedHandshakeWithin(20.0);
  EXPECT_EQ(Text(kIdLabel7), "5");
}

TEST_F(FaultLogger, Logger32KilledAfterTheFirstRequestDelaysTheWindowOnlyBoundedly) {
  StartRotatorServer();
  StartLogger();
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  ASSERT_TRUE(logger_->WaitFor("recv", 1, 20s));
  logger_->process().Kill();
  // Worst case: its first reply was already queued, so ten 2 s reads of the reply phase
  // follow, sends to the vanished window return at once, then the failure pause.
  ExpectFailedHandshakeWithin(30.0);
}

TEST_F(FaultLogger, LongProgramValueGivesNoLinkButAWorkingWindow) {
  StartRotatorServer();
  StartLogger();
  // A file name of 10,000 characters: neither a service name nor a command line DDE takes.
  harness::SetProgramValue("C:\\" + std::string(9993, 'r') + ".exe");
  StartBridge();
  EXPECT_EQ(Text(kIdLabel6), "Logger32 connected");
  ExpectAlive();
  ExpectShowsStatus(1800, "180");
  EXPECT_EQ(markers::ReceivedUpToMarker(job_, dir_, rotator_log_), markers::ThenMarker({}));
  // The link never came up: closing releases nothing.
  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(bridge_->process().WaitExit(10s));
  EXPECT_EQ(Releases(), 0);
}

TEST_F(FaultLogger, LongDirectoryPartStillFindsARunningServer) {
  StartRotatorServer();
  StartLogger();
  // 10,000 characters, but the file name part names the running server.
  std::string value = "C:";
  while (value.size() < 10000 - 16) value += "\\d";
  value += "\\rotator-sim.exe";
  harness::SetProgramValue(value);
  StartBridge();
  EXPECT_TRUE(WaitReceived(1, 10s));
  EXPECT_EQ(Received(), std::vector<std::string>{bridgetest::kGreetingHex});
  ExpectAlive();
}
