// The client conversation of this test process against rotator-sim as the rotator server:
// connecting (and starting the server once), the bytes of executes, and OnOpen/OnClose.
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

class DdeClient : public BridgeDdeTest {
 protected:
  DdeClient() {
    conv_.OnOpen = [this](TDdeClientConv& c) {
      events_.push_back(&c == &conv_ && c.Connected() ? "open" : "open?");
    };
    conv_.OnClose = [this](TDdeClientConv& c) {
      // Raised while the conversation handle is still set.
      events_.push_back(&c == &conv_ && c.ConvHandle() ? "close" : "close?");
    };
  }

  // Servers started by the conversation are outside the job: end them by the pid they logged.
  ~DdeClient() override {
    conv_.Unlink();
    KillLoggedStarts(dir_ + "\\start.log");
  }

  std::vector<std::string> ServerLog() { return ReadLines(dir_ + "\\server.log"); }

  bool ServerGot(std::size_t executes) {
    return WaitUntil([&] { return ReceivedHex(ServerLog()).size() >= executes; }, 15s);
  }

  std::string StartCommand(const std::string& service, const std::string& log) {
    return Quote(SimPath()) + " --service " + service + " --log " + Quote(log);
  }

  TDdeClientConv conv_;
  std::vector<std::string> events_;
};

TEST_F(DdeClient, RunningServerIsLinkedWithoutStartAndGetsExactBytes) {
  auto server = StartSimServer(job_, "", dir_ + "\\server.log");
  conv_.ServiceApplication = StartCommand("nobody", dir_ + "\\start.log");
  ASSERT_TRUE(conv_.LinkTo("rotator-sim", "RotServConv"));
  EXPECT_EQ(events_, Lines{"open"});
  EXPECT_TRUE(conv_.Connected());
  EXPECT_TRUE(WaitUntil([&] { return LinesWith(ServerLog(), " connect conv=").size() == 1; }, 15s))
      << "not linked to the running server";

  EXPECT_TRUE(conv_.ExecuteLines({"HS "}));
  EXPECT_TRUE(conv_.ExecuteLines({}));
  EXPECT_TRUE(conv_.ExecuteLines({"2450", "0", "0"}));
  EXPECT_TRUE(conv_.ExecuteLines({"A", std::string("B\0C", 3), "D"}));
  // Two bytes whose second is zero would look like UTF-16 to Wine: use three.
  EXPECT_TRUE(conv_.ExecuteText("Te"));
  ASSERT_TRUE(ServerGot(5));
  EXPECT_EQ(ReceivedHex(ServerLog()),
            (Lines{"48 53 20 0D 0A 00", "00", "32 34 35 30 0D 0A 30 0D 0A 30 0D 0A 00",
                   "41 0D 0A 42 00", "54 65 00"}));
  EXPECT_FALSE(FileExists(dir_ + "\\start.log")) << "a server was started";
}

TEST_F(DdeClient, ManyAsynchronousExecutesAllArriveInOrder) {
  auto server = StartSimServer(job_, "", dir_ + "\\server.log");
  ASSERT_TRUE(conv_.LinkTo("rotator-sim", "RotServConv"));
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(conv_.ExecuteLines({std::to_string(i % 10)}));
  ASSERT_TRUE(ServerGot(40));
  auto hex = ReceivedHex(ServerLog());
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(hex[i], '3' + std::to_string(i % 10) + " 0D 0A 00") << "execute " << i;
}

TEST_F(DdeClient, UnlinkRaisesCloseBeforeDisconnectingAndOnlyOnce) {
  auto server = StartSimServer(job_, "", dir_ + "\\server.log");
  ASSERT_TRUE(conv_.LinkTo("rotator-sim", "RotServConv"));
  // Linking again closes the open conversation first.
  ASSERT_TRUE(conv_.LinkTo("ROTATOR-SIM", "rotservconv"));
  EXPECT_EQ(events_, (Lines{"open", "close", "open"}));
  conv_.Unlink();
  EXPECT_EQ(events_, (Lines{"open", "close", "open", "close"}));
  EXPECT_FALSE(conv_.Connected());
  conv_.Unlink();
  EXPECT_EQ(events_.size(), 4u);
  EXPECT_FALSE(conv_.ExecuteLines({"x"}));
  EXPECT_TRUE(WaitUntil([&] { return LinesWith(ServerLog(), "disconnect").size() == 2; }, 15s));
}

TEST_F(DdeClient, NoServerStartsTheProgramOnceMinimisedAndTriesOnceMore) {
  std::string command = StartCommand("vexal-late", dir_ + "\\start.log");
  conv_.ServiceApplication = command;
  ASSERT_TRUE(conv_.LinkTo("vexal-late", "RotServConv"));
  EXPECT_EQ(events_, Lines{"open"});
  auto starts = LinesWith(ReadLines(dir_ + "\\start.log"), " start ");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(Field(starts[0], "show"), "7");
  EXPECT_EQ(starts[0].substr(starts[0].find(" cmdline=") + 9), command);
}

TEST_F(DdeClient, ServerTooLateToAnswerLeavesTheLinkDown) {
  conv_.ServiceApplication =
      StartCommand("vexal-slow", dir_ + "\\start.log") + " --register-delay 4000";
  EXPECT_FALSE(conv_.LinkTo("vexal-slow", "RotServConv"));
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(conv_.Connected());
  EXPECT_FALSE(conv_.ExecuteLines({"x"}));
  auto log = ReadLines(dir_ + "\\start.log");
  EXPECT_EQ(LinesWith(log, " start ").size(), 1u);
  // The started server is left running: it registers later all the same.
  EXPECT_TRUE(WaitUntil(
      [&] { return !LinesWith(ReadLines(dir_ + "\\start.log"), " registered ").empty(); }, 15s));
}

TEST_F(DdeClient, EmptyServiceApplicationStartsServiceAndTopic) {
  // The command line "vexalcmd RotServConv" finds the program in the current directory.
  ASSERT_TRUE(CopyFileA(SimPath().c_str(), (dir_ + "\\vexalcmd.exe").c_str(), FALSE));
  ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
  ASSERT_TRUE(SetEnvironmentVariableA("ROTATOR_SIM_LOG", (dir_ + "\\start.log").c_str()));
  EXPECT_TRUE(conv_.LinkTo("vexalcmd", "RotServConv"));
  auto starts = LinesWith(ReadLines(dir_ + "\\start.log"), " start ");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].substr(starts[0].find(" cmdline=") + 9), "vexalcmd RotServConv");
  EXPECT_EQ(Field(starts[0], "show"), "7");
}

TEST_F(DdeClient, OverlongNamesAndCommandLinesAreRefusedNotCut) {
  std::string start_log = dir_ + "\\start.log";
  std::string command = StartCommand("vexal-long", start_log);
  conv_.ServiceApplication = command + " " + std::string(254 - command.size(), 'p');
  EXPECT_FALSE(conv_.LinkTo("vexal-long", std::string(256, 't')));
  EXPECT_FALSE(conv_.LinkTo(std::string(256, 's'), "RotServConv"));
  EXPECT_FALSE(FileExists(start_log)) << "started for an overlong name";

  conv_.ServiceApplication += "p";  // 256 characters
  EXPECT_FALSE(conv_.LinkTo("vexal-long", "RotServConv"));
  EXPECT_FALSE(FileExists(start_log)) << "started with an overlong command line";

  conv_.ServiceApplication.pop_back();  // 255 characters: started, and it answers
  EXPECT_TRUE(conv_.LinkTo("vexal-long", "RotServConv"));
  EXPECT_EQ(LinesWith(ReadLines(start_log), " start ").size(), 1u);
}

TEST_F(DdeClient, PartnerTerminateEndsTheLinkWithOneClose) {
  auto server = StartSimServer(job_, "--end-after 1", dir_ + "\\server.log");
  ASSERT_TRUE(conv_.LinkTo("rotator-sim", "RotServConv"));
  ASSERT_TRUE(conv_.ExecuteLines({"HS "}));
  ASSERT_TRUE(WaitUntil([&] { return !LinesWith(ServerLog(), "end terminate").empty(); }, 15s));
  WaitUntil([] { return false; }, 300ms);  // let the terminate arrive
  // Wine tells the client nothing; the refused execute shows the conversation has gone.
  EXPECT_FALSE(conv_.ExecuteLines({"x"}));
  EXPECT_EQ(events_, (Lines{"open", "close"}));
  EXPECT_FALSE(conv_.Connected());
  EXPECT_FALSE(conv_.ExecuteLines({"y"}));
  conv_.Unlink();
  EXPECT_EQ(events_.size(), 2u);
  EXPECT_EQ(ReceivedHex(ServerLog()).size(), 1u);
}

TEST_F(DdeClient, PartnerExitEndsTheLinkWithoutAnyExecute) {
  auto server = StartSimServer(job_, "--end-after 1 --end-mode exit", dir_ + "\\server.log");
  ASSERT_TRUE(conv_.LinkTo("rotator-sim", "RotServConv"));
  ASSERT_TRUE(conv_.ExecuteLines({"HS "}));
  EXPECT_TRUE(WaitUntil([&] { return events_.size() == 2; }, 15s));
  EXPECT_EQ(events_, (Lines{"open", "close"}));
  EXPECT_TRUE(server->WaitExit(10s));
  conv_.Unlink();
  EXPECT_EQ(events_.size(), 2u);
}

TEST_F(DdeClient, CloseHandlerErrorStillEndsTheConversation) {
  auto server = StartSimServer(job_, "", dir_ + "\\server.log");
  ASSERT_TRUE(conv_.LinkTo("rotator-sim", "RotServConv"));
  int closes = 0;
  conv_.OnClose = [&](TDdeClientConv&) {
    ++closes;
    throw std::runtime_error("close failed");
  };
  EXPECT_THROW(conv_.Unlink(), std::runtime_error);
  EXPECT_FALSE(conv_.Connected());
  EXPECT_TRUE(WaitUntil([&] { return !LinesWith(ServerLog(), "disconnect").empty(); }, 15s));
  EXPECT_NO_THROW(conv_.Unlink());
  EXPECT_EQ(closes, 1);
}

}  // namespace
