// The bridge end to end between the simulated Logger32 and the simulated rotator server:
// what each partner receives, byte for byte, and what the window shows.
#include <gtest/gtest.h>

#include "bridge_support.h"
#include "dde_support.h"
#include "marker_support.h"
#include "bridge/window/colors.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using namespace bridgetest;
using namespace vexal;

class Bridge : public BridgeTest {
 protected:
  // Logger32 connected, rotator server up and greeted.
  void StartLinked(const std::string& rotator_args = "") {
    StartRotatorServer(rotator_args);
    StartLogger();
    StartBridge();
    ASSERT_TRUE(WaitReceived(1, 10s));
    // A server that ends the link at once may already have had the bridge release Logger32.
    if (rotator_args.empty()) {
      ASSERT_EQ(Text(kIdLabel6), "Logger32 connected");
    }
  }
  // Everything the rotator server received, up to a marker executed after the steps so far.
  std::vector<std::string> ReceivedUpToMarker() {
    return markers::ReceivedUpToMarker(job_, dir_, rotator_log_);
  }
  void Turn(int azimuth) {
    ASSERT_TRUE(logger_->Command("turn " + std::to_string(azimuth)));
    ASSERT_TRUE(WaitText(kIdEditAzimut, std::to_string(azimuth), 5s));
  }
};

TEST_F(Bridge, TypicalTurnFromLogger32ReachesTheRotatorServer) {
  StartLinked();
  EXPECT_EQ(Received(), std::vector<std::string>{kGreetingHex});

  Turn(245);
  ASSERT_TRUE(Execute(StatusMacro(1234)));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "123", 5s));
  ASSERT_TRUE(WaitReceived(2, 5s));
  EXPECT_EQ(Received()[1], CommandHex("2450"));
  EXPECT_EQ(PanelColor(kIdPanelLinks), clRed);
  EXPECT_EQ(PanelColor(kIdPanelRechts), clRed);

  // The target went with that macro: the next one sends nothing.
  ASSERT_TRUE(Execute(StatusMacro(1240, 1)));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "124", 5s));
  EXPECT_EQ(PanelColor(kIdPanelRechts), clLime);
  EXPECT_EQ(ReceivedUpToMarker(), markers::ThenMarker({kGreetingHex, CommandHex("2450")}));
}

TEST_F(Bridge, TargetWaitsWhileTheRotatorIsOffAndOnlyTheLatestIsSent) {
  StartLinked();
  Turn(100);
  ASSERT_TRUE(Execute(StatusMacro(-100000)));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "AUS", 5s));
  Turn(20);
  ASSERT_TRUE(Execute(StatusMacro(500)));
  EXPECT_EQ(ReceivedUpToMarker(), markers::ThenMarker({kGreetingHex, CommandHex("200")}));
}

TEST_F(Bridge, OutOfRangeAndSentRequestsAreIgnored) {
  StartLinked();
  Turn(45);
  ASSERT_TRUE(Execute(StatusMacro(0)));  // sends 450, nothing pending afterwards
  ASSERT_TRUE(WaitReceived(2, 5s));

  ASSERT_TRUE(logger_->Command("post 101 -1"));
  ASSERT_TRUE(logger_->Command("post 101 361"));
  ASSERT_TRUE(logger_->Command("send 101 90"));  // handled before the send returns
  // Posted after the two requests, the macro's execute is handled after them; it would carry a
  // target that one of them had set.
  ASSERT_TRUE(Execute(StatusMacro(0)));
  EXPECT_EQ(Text(kIdEditAzimut), "45");
  EXPECT_EQ(ReceivedUpToMarker(), markers::ThenMarker({kGreetingHex, CommandHex("450")}));
}

TEST_F(Bridge, NoGreetingAndNoLinkWithoutLogger32) {
  StartRotatorServer();
  StartBridge();
  EXPECT_EQ(Text(kIdLabel6), "Logger32 not found");
  // Status macros still show; nothing is ever sent.
  ASSERT_TRUE(Execute(StatusMacro(900, -1)));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "90", 5s));
  EXPECT_EQ(PanelColor(kIdPanelLinks), clLime);
  EXPECT_EQ(ReceivedUpToMarker(), markers::ThenMarker({}));
}

class ServerEndsConversation : public Bridge, public ::testing::WithParamInterface<const char*> {};

TEST_P(ServerEndsConversation, ReleasesLogger32OnceAndStopsTakingTurns) {
  // The server ends the conversation right after the greeting.
  StartLinked(std::string("--end-after 1 --end-mode ") + GetParam());
  ASSERT_TRUE(WaitText(kIdLabel6, "Logger32 not connected", 10s));
  ASSERT_TRUE(logger_->WaitFor("recv", 4, 5s));
  EXPECT_EQ(Releases(), 1);

  // Turn requests have no effect any more; status macros still update the display.
  // The request is posted before the macro's execute, so it has been handled once the macro is.
  logger_->Command("turn 123");
  ASSERT_TRUE(Execute(StatusMacro(2000)));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "200", 5s));
  EXPECT_EQ(Text(kIdEditAzimut), "");

  // Closing afterwards releases nothing more.
  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(bridge_->process().WaitExit(10s));
  EXPECT_EQ(Releases(), 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, ServerEndsConversation, ::testing::Values("terminate", "exit"));

TEST_F(Bridge, ClosingWithTheLinkUpReleasesLogger32Once) {
  StartLinked();
  auto closed = std::chrono::steady_clock::now();
  PostMessageA(window_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(bridge_->process().WaitExit(15s));
  // The release pauses 100 ms and 2000 ms before the program ends.
  EXPECT_GE(harness::SecondsSince(closed), 2.0);
  EXPECT_EQ(Releases(), 1);
  // Logger32's side saw nothing out of order from the whole run.
  ASSERT_TRUE(logger_->Command("close"));
  DWORD code = 99;
  EXPECT_TRUE(logger_->process().WaitExit(10s, &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(Bridge, RegistryValueOfTheWrongTypeIsReportedAndTheWindowStaysUp) {
  StartLogger();
  DWORD value = 7;
  harness::SetProgramValueRaw(&value, sizeof value, REG_DWORD);
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  EXPECT_EQ(TakeErrorBox(20s), L"Ung\u00fcltiger Datentyp f\u00fcr 'Program'");
  window_ = bridge_->WaitShown(10s);
  ASSERT_NE(window_, nullptr);
  EXPECT_EQ(Text(kIdLabel6), "Logger32 connected");
  // No link: closing releases nothing.
  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(bridge_->process().WaitExit(10s));
  EXPECT_EQ(Releases(), 0);
}

TEST_F(Bridge, ExpandableValueIsTakenUnexpanded) {
  // Expanded, the file name part would differ and no server would answer.
  rotator_ = ddetest::StartSimServer(job_, "--service %WINDIR%rotsim", rotator_log_);
  harness::SetProgramValue("%WINDIR%rotsim.exe", REG_EXPAND_SZ);
  StartLogger();
  StartBridge();
  EXPECT_TRUE(WaitReceived(1, 10s));
  EXPECT_EQ(Received(), std::vector<std::string>{kGreetingHex});
}

TEST_F(Bridge, MissingKeyOrShortFileNameOpensNoLink) {
  StartLogger();
  StartBridge();  // no key at all
  ASSERT_TRUE(Execute(StatusMacro(10)));
  PostMessageA(window_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(bridge_->process().WaitExit(10s));
  EXPECT_EQ(Releases(), 0);

  // A file name of four characters gives no service name; the start of it fails.
  harness::SetProgramValue("C:\\nowhere\\a.ex");
  StartBridge();
  EXPECT_EQ(Text(kIdLabel6), "Logger32 connected");
  PostMessageA(window_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(bridge_->process().WaitExit(10s));
  EXPECT_EQ(Releases(), 0);
}

TEST_F(Bridge, ShortOrBadStatusMacrosReportTheErrorAndSendNothing) {
  StartLinked();
  Turn(30);
  // Seven lines: line 1 is stored, then reading line 8 fails.
  EXPECT_FALSE(Execute("1500\\r\\n0\\r\\n0\\r\\n0\\r\\n0\\r\\n0\\r\\n0\\r\\n"));
  EXPECT_EQ(TakeErrorBox(10s), L"Listenindex \u00fcberschreitet das Maximum (7)");
  EXPECT_EQ(Text(kIdIstAzimut), "0");

  EXPECT_FALSE(Execute("1600\\r\\n0\\r\\n0\\r\\n0\\r\\nx\\r\\n0\\r\\n0\\r\\n0\\r\\n0\\r\\n0\\r\\n"));
  EXPECT_EQ(TakeErrorBox(10s), L"'x' ist kein g\u00fcltiger Integerwert");
  EXPECT_EQ(ReceivedUpToMarker(), markers::ThenMarker({kGreetingHex}));

  // A refresh of one line shows the azimuth stored by the bad macro and sends the target.
  ASSERT_TRUE(Execute("\\r\\n"));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "160", 5s));
  ASSERT_TRUE(WaitReceived(3, 5s));
  EXPECT_EQ(Received(),
            (std::vector<std::string>{kGreetingHex, markers::kMarkerHex, CommandHex("300")}));
}
