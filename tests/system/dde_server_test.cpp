// The bridge as a DDE server: which services and topics it answers, how its executes are
// acknowledged, and what a failing status handler does. Clients are rotator-sim processes.
#include <gtest/gtest.h>

#include "dde_support.h"
#include "harness.h"

using namespace harness;
using namespace ddetest;
using namespace std::chrono_literals;

namespace {

std::string BridgePath() {
  return BinPath("Logger32Vexal.exe");
}

// Connects with the given options and executes one short macro.
SimRun Probe(Job& job, const std::string& target, const std::string& log) {
  return RunSim(job, "--client " + target + " --exec \"1\\r\\n\"", log);
}

std::string ConnectLine(const SimRun& run) {
  auto lines = LinesWith(run.log, " connect ");
  return lines.empty() ? "<no connect line>" : lines.front();
}

using DdeServer = DdeTest;

}  // namespace

TEST_F(DdeServer, ServiceAndTopicMatchWhateverTheLetterCase) {
  auto bridge = StartBridge(job_, BridgePath());
  for (const char* target :
       {"--service Logger32Vexal --topic AntDaten", "--service LOGGER32VEXAL --topic ANTDATEN",
        "--service logger32vexal --topic antdaten"}) {
    SimRun run = Probe(job_, target, dir_ + "\\case.log");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u) << target << "\n" << ConnectLine(run);
    EXPECT_EQ(ExecuteResults(run.log), std::vector<std::string>{"ack"}) << target;
    DeleteFileA((dir_ + "\\case.log").c_str());
  }
}

TEST_F(DdeServer, NearMissNamesAreRefused) {
  auto bridge = StartBridge(job_, BridgePath());
  for (const char* target :
       {"--service Logger32Vexal --topic \"AntDaten \"", "--service Logger32Vexal --topic AntDat",
        "--service Logger32Vexa --topic AntDaten", "--service Logger32Vexal --topic AntDatenX"}) {
    SimRun run = Probe(job_, target, dir_ + "\\miss.log");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 1u) << target;
    EXPECT_EQ(LinesWith(run.log, "connect failed").size(), 1u) << target << "\n"
                                                               << ConnectLine(run);
    DeleteFileA((dir_ + "\\miss.log").c_str());
  }
}

TEST_F(DdeServer, WildConnectNeedsATopic) {
  auto bridge = StartBridge(job_, BridgePath());

  SimRun any_service = Probe(job_, "--topic antdaten", dir_ + "\\wild.log");
  EXPECT_EQ(any_service.exit_code, 0u) << ConnectLine(any_service);
  std::string line = ConnectLine(any_service);
  // Atoms keep the spelling they were first made with: compare without letter case.
  EXPECT_EQ(_stricmp(Field(line, "partner").c_str(), "Logger32Vexal"), 0) << line;
  EXPECT_EQ(_stricmp(Field(line, "partner-topic").c_str(), "AntDaten"), 0) << line;

  SimRun no_topic = Probe(job_, "--service Logger32Vexal --topic \"\"", dir_ + "\\notopic.log");
  EXPECT_EQ(no_topic.exit_code, 1u) << ConnectLine(no_topic);
  SimRun nothing = Probe(job_, "--topic \"\"", dir_ + "\\nothing.log");
  EXPECT_EQ(nothing.exit_code, 1u) << ConnectLine(nothing);
}

TEST_F(DdeServer, CaptionTopicConnectsButExecutesAreNotProcessed) {
  auto bridge = StartBridge(job_, BridgePath());
  SimRun run = RunSim(job_, "--client --service Logger32Vexal --topic LOGGER32-VEXAL --exec x",
                      dir_ + "\\caption.log");
  EXPECT_EQ(LinesWith(run.log, "connect ok").size(), 1u) << ConnectLine(run);
  EXPECT_EQ(ExecuteResults(run.log), std::vector<std::string>{"notprocessed"});
  // The status topic beside it is not affected.
  SimRun status = Probe(job_, "--service Logger32Vexal --topic AntDaten", dir_ + "\\status.log");
  EXPECT_EQ(ExecuteResults(status.log), std::vector<std::string>{"ack"});
}

TEST_F(DdeServer, TwoClientsAtOnceAreBothServed) {
  auto bridge = StartBridge(job_, BridgePath());
  std::string first_log = dir_ + "\\first.log";
  Child first(job_, Quote(SimPath()) +
                       " --client --service Logger32Vexal --exec 1 --exec 2 --exec 3 --exec 4"
                       " --interval 600 --log " +
                       Quote(first_log));
  ASSERT_TRUE(
      WaitUntil([&] { return !LinesWith(ReadLines(first_log), "connect ok").empty(); }, 30s));
  // The second client starts while the first is connected and outlasts it.
  SimRun second = RunSim(job_,
                         "--client --service Logger32Vexal --topic ANTDATEN --exec a --exec b"
                         " --exec c --exec d --exec e --exec f --interval 500",
                         dir_ + "\\second.log");
  ASSERT_TRUE(WaitUntil([&] { return !first.Running(); }, 30s));
  DWORD first_code = 99;
  first.WaitExit(0ms, &first_code);
  auto first_run = ReadLines(first_log);
  EXPECT_EQ(first_code, 0u);
  EXPECT_EQ(ExecuteResults(first_run), std::vector<std::string>(4, "ack"));
  EXPECT_EQ(second.exit_code, 0u);
  EXPECT_EQ(ExecuteResults(second.log), std::vector<std::string>(6, "ack"));
}

TEST_F(DdeServer, ServiceNameIsTheFileNameUpToItsFirstDot) {
  std::string dotted = dir_ + "\\Relay.x.exe";
  ASSERT_TRUE(CopyFileA(BridgePath().c_str(), dotted.c_str(), FALSE));
  auto relay = StartBridge(job_, dotted);
  EXPECT_EQ(Probe(job_, "--service Relay --topic AntDaten", dir_ + "\\relay.log").exit_code, 0u);
  EXPECT_EQ(Probe(job_, "--service Relay.x --topic AntDaten", dir_ + "\\relayx.log").exit_code, 1u);
  relay->Kill();

  std::string plain = dir_ + "\\RelayNoDot";
  ASSERT_TRUE(CopyFileA(BridgePath().c_str(), plain.c_str(), FALSE));
  auto no_dot = StartBridge(job_, plain);
  SimRun run = Probe(job_, "--service relaynodot --topic AntDaten", dir_ + "\\nodot.log");
  EXPECT_EQ(run.exit_code, 0u) << ConnectLine(run);
  EXPECT_EQ(_stricmp(Field(ConnectLine(run), "partner").c_str(), "RelayNoDot"), 0);
}

TEST_F(DdeServer, HandlerErrorIsAnsweredNotProcessedAndReportedAfterwards) {
  auto bridge = StartBridge(job_, BridgePath());
  // Seven lines: the status handler reads line 8 of a list that has only seven.
  SimRun run = RunSim(job_,
                      "--client --service Logger32Vexal --exec 1\\r\\n2\\r\\n3\\r\\n4\\r\\n5"
                      "\\r\\n6\\r\\n7",
                      dir_ + "\\error.log");
  // Answered at once: a box inside the callback would have held the execute until timeout.
  EXPECT_EQ(ExecuteResults(run.log), std::vector<std::string>{"notprocessed"});

  HWND box = WaitForTopWindow("Logger32vexal", 20s, bridge->pid());
  ASSERT_NE(box, nullptr) << "no error box";
  wchar_t text[256] = L"";
  GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 256);
  EXPECT_STREQ(text, L"Listenindex überschreitet das Maximum (7)");
  SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(
      WaitUntil([&] { return FindTopWindow("Logger32vexal", bridge->pid()) == nullptr; }, 10s));

  // The bridge goes on serving.
  SimRun after = Probe(job_, "--service Logger32Vexal --topic AntDaten", dir_ + "\\after.log");
  EXPECT_EQ(ExecuteResults(after.log), std::vector<std::string>{"ack"});
}
