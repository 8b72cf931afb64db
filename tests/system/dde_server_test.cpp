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

}  // namespace

TEST(DdeServer, ServiceAndTopicMatchWhateverTheLetterCase) {
  Job job;
  auto bridge = StartBridge(job, BridgePath());
  std::string dir = TestDir();
  for (const char* target :
       {"--service Logger32Vexal --topic AntDaten", "--service LOGGER32VEXAL --topic ANTDATEN",
        "--service logger32vexal --topic antdaten"}) {
    SimRun run = Probe(job, target, dir + "\\case.log");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u) << target << "\n" << ConnectLine(run);
    EXPECT_EQ(ExecuteResults(run.log), std::vector<std::string>{"ack"}) << target;
    DeleteFileA((dir + "\\case.log").c_str());
  }
}

TEST(DdeServer, NearMissNamesAreRefused) {
  Job job;
  auto bridge = StartBridge(job, BridgePath());
  std::string dir = TestDir();
  for (const char* target :
       {"--service Logger32Vexal --topic \"AntDaten \"", "--service Logger32Vexal --topic AntDat",
        "--service Logger32Vexa --topic AntDaten", "--service Logger32Vexal --topic AntDatenX"}) {
    SimRun run = Probe(job, target, dir + "\\miss.log");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 1u) << target;
    EXPECT_EQ(LinesWith(run.log, "connect failed").size(), 1u) << target << "\n"
                                                               << ConnectLine(run);
    DeleteFileA((dir + "\\miss.log").c_str());
  }
}

TEST(DdeServer, WildConnectNeedsATopic) {
  Job job;
  auto bridge = StartBridge(job, BridgePath());
  std::string dir = TestDir();

  SimRun any_service = Probe(job, "--topic antdaten", dir + "\\wild.log");
  EXPECT_EQ(any_service.exit_code, 0u) << ConnectLine(any_service);
  std::string line = ConnectLine(any_service);
  // Atoms keep the spelling they were first made with: compare without letter case.
  EXPECT_EQ(_stricmp(Field(line, "partner").c_str(), "Logger32Vexal"), 0) << line;
  EXPECT_EQ(_stricmp(Field(line, "partner-topic").c_str(), "AntDaten"), 0) << line;

  SimRun no_topic = Probe(job, "--service Logger32Vexal --topic \"\"", dir + "\\notopic.log");
  EXPECT_EQ(no_topic.exit_code, 1u) << ConnectLine(no_topic);
  SimRun nothing = Probe(job, "--topic \"\"", dir + "\\nothing.log");
  EXPECT_EQ(nothing.exit_code, 1u) << ConnectLine(nothing);
}

TEST(DdeServer, CaptionTopicConnectsButExecutesAreNotProcessed) {
  Job job;
  auto bridge = StartBridge(job, BridgePath());
  std::string dir = TestDir();
  SimRun run = RunSim(job, "--client --service Logger32Vexal --topic LOGGER32-VEXAL --exec x",
                      dir + "\\caption.log");
  EXPECT_EQ(LinesWith(run.log, "connect ok").size(), 1u) << ConnectLine(run);
  EXPECT_EQ(ExecuteResults(run.log), std::vector<std::string>{"notprocessed"});
  // The status topic beside it is not affected.
  SimRun status = Probe(job, "--service Logger32Vexal --topic AntDaten", dir + "\\status.log");
  EXPECT_EQ(ExecuteResults(status.log), std::vector<std::string>{"ack"});
}

TEST(DdeServer, TwoClientsAtOnceAreBothServed) {
  Job job;
  auto bridge = StartBridge(job, BridgePath());
  std::string dir = TestDir();
  std::string first_log = dir + "\\first.log";
  Child first(job, Quote(SimPath()) +
                       " --client --service Logger32Vexal --exec 1 --exec 2 --exec 3 --exec 4"
                       " --interval 600 --log " +
                       Quote(first_log));
  ASSERT_TRUE(
      WaitUntil([&] { return !LinesWith(ReadLines(first_log), "connect ok").empty(); }, 30s));
  // The second client starts while the first is connected and outlasts it.
  SimRun second = RunSim(job,
                         "--client --service Logger32Vexal --topic ANTDATEN --exec a --exec b"
                         " --exec c --exec d --exec e --exec f --interval 500",
                         dir + "\\second.log");
  ASSERT_TRUE(WaitUntil([&] { return !first.Running(); }, 30s));
  DWORD first_code = 99;
  first.WaitExit(0ms, &first_code);
  auto first_run = ReadLines(first_log);
  EXPECT_EQ(first_code, 0u);
  EXPECT_EQ(ExecuteResults(first_run), std::vector<std::string>(4, "ack"));
  EXPECT_EQ(second.exit_code, 0u);
  EXPECT_EQ(ExecuteResults(second.log), std::vector<std::string>(6, "ack"));
}

TEST(DdeServer, ServiceNameIsTheFileNameUpToItsFirstDot) {
  Job job;
  std::string dir = TestDir();
  std::string dotted = dir + "\\Relay.x.exe";
  ASSERT_TRUE(CopyFileA(BridgePath().c_str(), dotted.c_str(), FALSE));
  auto relay = StartBridge(job, dotted);
  EXPECT_EQ(Probe(job, "--service Relay --topic AntDaten", dir + "\\relay.log").exit_code, 0u);
  EXPECT_EQ(Probe(job, "--service Relay.x --topic AntDaten", dir + "\\relayx.log").exit_code, 1u);
  relay->Kill();

  std::string plain = dir + "\\RelayNoDot";
  ASSERT_TRUE(CopyFileA(BridgePath().c_str(), plain.c_str(), FALSE));
  auto no_dot = StartBridge(job, plain);
  SimRun run = Probe(job, "--service relaynodot --topic AntDaten", dir + "\\nodot.log");
  EXPECT_EQ(run.exit_code, 0u) << ConnectLine(run);
  EXPECT_EQ(_stricmp(Field(ConnectLine(run), "partner").c_str(), "RelayNoDot"), 0);
}

TEST(DdeServer, HandlerErrorIsAnsweredNotProcessedAndReportedAfterwards) {
  Job job;
  auto bridge = StartBridge(job, BridgePath());
  std::string dir = TestDir();
  // Seven lines: the status handler reads line 8 of a list that has only seven.
  SimRun run = RunSim(job,
                      "--client --service Logger32Vexal --exec 1\\r\\n2\\r\\n3\\r\\n4\\r\\n5"
                      "\\r\\n6\\r\\n7",
                      dir + "\\error.log");
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
  SimRun after = Probe(job, "--service Logger32Vexal --topic AntDaten", dir + "\\after.log");
  EXPECT_EQ(ExecuteResults(after.log), std::vector<std::string>{"ack"});
}
