// The bridge through a whole session as its partners see it: log-off, a Logger32 that hangs in
// the handshake, the pause before the greeting as the rotator server times it, an empty
// "Program" value, and a start maximised.
#include <gtest/gtest.h>

#include <cstdio>

#include "bridge_support.h"
#include "dde_support.h"
#include "screen_support.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using namespace bridgetest;
using namespace vexal;

namespace {

// Milliseconds since midnight of a rotator-sim log line ("HH:MM:SS.mmm ..."); -1 if unreadable.
long LogTimeMs(const std::string& line) {
  unsigned h = 0, m = 0, s = 0, ms = 0;
  if (std::sscanf(line.c_str(), "%2u:%2u:%2u.%3u", &h, &m, &s, &ms) != 4) return -1;
  return ((static_cast<long>(h) * 60 + m) * 60 + s) * 1000 + ms;
}

class Session : public BridgeTest {
 protected:
  void StartLinked() {
    StartRotatorServer();
    StartLogger();
    StartBridge();
    ASSERT_TRUE(WaitReceived(1, 10s)) << "no greeting";
    ASSERT_EQ(Text(kIdLabel6), "Logger32 connected");
  }

  // Sends a session message as Windows does (synchronously); false if it was not answered.
  bool SendSession(UINT msg, WPARAM wp, DWORD_PTR* result, harness::Millis timeout = 5s) {
    return SendMessageTimeoutA(window_, msg, wp, ENDSESSION_LOGOFF, SMTO_NORMAL,
                               static_cast<UINT>(timeout.count()), result) != 0;
  }

  bool ServerSawDisconnect() const {
    return !ddetest::LinesWith(harness::ReadLines(rotator_log_), "disconnect conv=").empty();
  }
};

TEST_F(Session, LogOffIsAgreedToAndEndsTheProcessWithOneRelease) {
  StartLinked();
  DWORD_PTR agreed = 0;
  ASSERT_TRUE(SendSession(WM_QUERYENDSESSION, 0, &agreed));
  EXPECT_NE(agreed, 0u) << "the bridge must agree to end the session without asking";

  // Another program refused: the session goes on and so does the bridge.
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendSession(WM_ENDSESSION, FALSE, &ignored));
  ASSERT_TRUE(Execute(StatusMacro(450)));  // handled after the cancelled log-off: still running
  EXPECT_TRUE(WaitText(kIdIstAzimut, "45", 5s));
  EXPECT_EQ(Releases(), 0);

  // The log-off proper: the process ends from within the message, releasing Logger32 on the way.
  auto sent = std::chrono::steady_clock::now();
  SendSession(WM_ENDSESSION, TRUE, &ignored, 15s);  // may fail: the receiver is gone
  DWORD code = 99;
  ASSERT_TRUE(bridge_->process().WaitExit(15s, &code)) << "the bridge did not end";
  // The release pauses 100 ms and 2000 ms before the program ends.
  EXPECT_GE(harness::SecondsSince(sent), 2.0);
  EXPECT_EQ(Releases(), 1);
  EXPECT_TRUE(harness::WaitUntil([&] { return ServerSawDisconnect(); }, 5s))
      << "the rotator server's conversation was not ended";
  // Logger32 saw nothing out of order from the whole run.
  ASSERT_TRUE(logger_->Command("close"));
  DWORD logger_code = 99;
  EXPECT_TRUE(logger_->process().WaitExit(10s, &logger_code));
  EXPECT_EQ(logger_code, 0u);
}

TEST_F(Session, HungLogger32DelaysTheWindowOnlyWithinTheBoundedWaits) {
  // Logger32 blocks for a minute inside the bridge's first send and never answers meanwhile.
  StartLogger("--hang-after-first 60000");
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  window_ = bridge_->WaitShown(60s);
  ASSERT_NE(window_, nullptr) << "the window never appeared";
  RecordProperty("shown_after_ms", static_cast<int>(bridge_->shown_after_s() * 1000));
  // Five names, each at most 100 ms + a 5 s send + 100 ms + a 2 s read, then the 2 s failure
  // pause: 38 s at the very most, well inside the minute that Logger32 hangs.
  EXPECT_LT(bridge_->shown_after_s(), 40.0);
  EXPECT_EQ(Text(kIdLabel6), "no free Logger32-Window");
  EXPECT_EQ(Text(kIdLabel7), "5");
  auto log = logger_->LogLines();
  EXPECT_FALSE(ddetest::LinesWith(log, "info hang 60000 ms").empty()) << "the hang did not start";
  EXPECT_TRUE(ddetest::LinesWith(log, "info hang over").empty()) << "Logger32 was not hung";

  // The window works and closes cleanly while Logger32 still hangs.
  ASSERT_TRUE(Execute(StatusMacro(100, 1)));
  EXPECT_TRUE(WaitText(kIdIstAzimut, "10", 5s));
  PostMessageA(window_, WM_CLOSE, 0, 0);
  DWORD code = 99;
  EXPECT_TRUE(bridge_->process().WaitExit(15s, &code)) << "the bridge did not end";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(ddetest::LinesWith(logger_->LogLines(), "info hang over").empty());
}

TEST_F(Session, GreetingFollowsTheConnectAfterTheFixedPause) {
  StartLinked();
  auto log = harness::ReadLines(rotator_log_);
  auto connects = ddetest::LinesWith(log, " connect conv=");
  auto executes = ddetest::LinesWith(log, " execute ");
  ASSERT_EQ(connects.size(), 1u);
  ASSERT_EQ(executes.size(), 1u);
  long connected = LogTimeMs(connects[0]), greeted = LogTimeMs(executes[0]);
  ASSERT_GE(connected, 0);
  ASSERT_GE(greeted, 0);
  long pause = greeted - connected;
  if (pause < 0) pause += 24L * 3600 * 1000;  // across midnight
  RecordProperty("greeting_pause_ms", static_cast<int>(pause));
  EXPECT_GE(pause, 1500) << "the greeting came too early";
  EXPECT_LT(pause, 5000) << "the greeting came far later than the pause";
}

TEST_F(Session, EmptyProgramValueStartsNothingAndReportsNothing) {
  harness::SetProgramValue("");
  // A start of the program (or of " RotServConv") would show up in this log.
  ASSERT_TRUE(SetEnvironmentVariableA("ROTATOR_SIM_LOG", (dir_ + "\\start.log").c_str()));
  StartLogger();
  StartBridge();
  SetEnvironmentVariableA("ROTATOR_SIM_LOG", nullptr);
  EXPECT_EQ(Text(kIdLabel6), "Logger32 connected");
  EXPECT_EQ(TakeErrorBox(0ms), L"");
  EXPECT_FALSE(ddetest::FileExists(dir_ + "\\start.log")) << "a program was started";
  // No link came up: closing releases nothing.
  PostMessageA(window_, WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(bridge_->process().WaitExit(15s, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Releases(), 0);
}

TEST_F(Session, EmptyProgramValueLinksToWhicheverServerOffersTheTopic) {
  // An empty service name leaves the service open in DDE: any server of "RotServConv" answers.
  harness::SetProgramValue("");
  rotator_ = ddetest::StartSimServer(job_, "", rotator_log_);
  ASSERT_TRUE(SetEnvironmentVariableA("ROTATOR_SIM_LOG", (dir_ + "\\start.log").c_str()));
  StartLogger();
  StartBridge();
  SetEnvironmentVariableA("ROTATOR_SIM_LOG", nullptr);
  ASSERT_TRUE(WaitReceived(1, 10s));
  EXPECT_EQ(ddetest::LinesWith(harness::ReadLines(rotator_log_), " connect conv=").size(), 1u);
  EXPECT_EQ(Received(), std::vector<std::string>{kGreetingHex});
  EXPECT_FALSE(ddetest::FileExists(dir_ + "\\start.log")) << "a program was started";
  PostMessageA(window_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(bridge_->process().WaitExit(15s));
  EXPECT_EQ(Releases(), 1);
}

TEST_F(Session, MaximisedStartShowsTheWindowMaximisedAndStartsTheServerMinimised) {
  // No server runs: the bridge starts the one the registry names, with its own show command.
  const std::string start_log = dir_ + "\\start.log";
  // Started by the bridge, the server is outside the test's job: end it by the pid it logged.
  struct EndStarted {
    const std::string& log;
    ~EndStarted() { ddetest::KillLoggedStarts(log); }
  } end_started{start_log};
  harness::SetProgramValue(ddetest::SimPath());
  ASSERT_TRUE(SetEnvironmentVariableA("ROTATOR_SIM_LOG", start_log.c_str()));
  StartLogger();
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_, SW_SHOWMAXIMIZED);
  window_ = bridge_->WaitShown(30s);
  SetEnvironmentVariableA("ROTATOR_SIM_LOG", nullptr);
  ASSERT_NE(window_, nullptr);
  EXPECT_TRUE(IsZoomed(window_)) << "the window is not maximised";
  EXPECT_NE(GetWindowLongPtrA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(Text(kIdLabel6), "Logger32 connected");
  EXPECT_EQ(logger_->ReceivedCodes(), "1:1 1:2 1:3");
  // The widgets keep their places inside the 20-pixel margin: the target box at (58, 112).
  RECT box{};
  HWND edit = FindWindowExA(window_, nullptr, "Edit", "");
  ASSERT_NE(edit, nullptr);
  GetWindowRect(edit, &box);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&box), 2);
  EXPECT_EQ(box.left, screentest::Scaled(20 + 58));
  EXPECT_EQ(box.top, screentest::Scaled(20 + 112));

  // The server came up minimised without activation (show command 7), not maximised, and got
  // the greeting.
  auto starts = ddetest::LinesWith(harness::ReadLines(start_log), " start pid=");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(ddetest::Field(starts[0], "show"), "7");
  EXPECT_TRUE(harness::WaitUntil(
      [&] { return ddetest::ReceivedHex(harness::ReadLines(start_log)).size() == 1; }, 10s));
  EXPECT_EQ(ddetest::ReceivedHex(harness::ReadLines(start_log)),
            std::vector<std::string>{kGreetingHex});

  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(bridge_->process().WaitExit(15s));
  EXPECT_EQ(Releases(), 1);
}

}  // namespace
