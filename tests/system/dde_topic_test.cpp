// A topic served by this test process's own DDE instance, with rotator-sim as the client in
// another process: the lines that reach the handler, and the topic's open and close events.
#include <gtest/gtest.h>

#include <cstdio>

#include "dde_support.h"
#include "harness.h"

using namespace harness;
using namespace ddetest;
using vexal::dde::TDdeServerConv;
using Lines = std::vector<std::string>;

namespace {

class DdeTopic : public BridgeDdeTest {
 protected:
  DdeTopic() {
    status_.OnExecuteMacro = [this](TDdeServerConv& sender, const Lines& msg) {
      EXPECT_EQ(&sender, &status_);
      macros_.push_back(msg);
    };
  }

  // Executes each macro (given with the simulator's escapes) in one conversation.
  SimRun Execute(const std::vector<std::string>& macros, const std::string& extra = "") {
    std::string args = "--client --service " + std::string(kService) + " --topic antdaten " + extra;
    for (const auto& m : macros) args += " --exec \"" + m + "\"";
    return RunSim(job_, args, TestDir() + "\\client.log");
  }
};

TEST_F(DdeTopic, LinesAreSplitAtEveryKindOfBreak) {
  SimRun run = Execute({"A\\r\\n\\r\\nB", "A\\rB", "A\\r\\nB\\r\\n", "A\\n\\rB", "\\r\\n",
                        " 12 \\t\\x01", "\\xE4\\xF6\\xFC\\r\\n"});
  EXPECT_EQ(run.exit_code, 0u);
  ASSERT_EQ(macros_.size(), 7u);
  EXPECT_EQ(macros_[0], (Lines{"A", "", "B"}));
  EXPECT_EQ(macros_[1], (Lines{"A", "B"}));
  EXPECT_EQ(macros_[2], (Lines{"A", "B"}));
  EXPECT_EQ(macros_[3], (Lines{"A", "", "B"}));
  EXPECT_EQ(macros_[4], Lines{""});
  EXPECT_EQ(macros_[5], Lines{" 12 \t\x01"});
  EXPECT_EQ(macros_[6], Lines{"\xE4\xF6\xFC"});
}

TEST_F(DdeTopic, TextEndsAtTheFirstZeroOrAtTheDataSize) {
  SimRun with_nul = Execute({"", "A\\r\\nB\\0C\\r\\nD"});
  EXPECT_EQ(ExecuteResults(with_nul.log), (Lines{"ack", "ack"}));
  // No terminating zero at all: the text is exactly the data.
  SimRun raw = Execute({"X\\r\\nYZ", "Q"}, "--raw");
  EXPECT_EQ(ExecuteResults(raw.log), (Lines{"ack", "ack"}));
  ASSERT_EQ(macros_.size(), 4u);
  EXPECT_EQ(macros_[0], Lines{});
  EXPECT_EQ(macros_[1], (Lines{"A", "B"}));
  EXPECT_EQ(macros_[2], (Lines{"X", "YZ"}));
  EXPECT_EQ(macros_[3], Lines{"Q"});
}

TEST_F(DdeTopic, TopicWithoutHandlerAcknowledgesAndOpenCloseArePaired) {
  TDdeServerConv quiet("Quiet");
  int opens = 0, closes = 0;
  quiet.OnOpen = [&](TDdeServerConv& s) { opens += &s == &quiet; };
  quiet.OnClose = [&](TDdeServerConv& s) { closes += &s == &quiet; };
  SimRun run = RunSim(
      job_,
      "--client --service " + std::string(kService) + " --topic QUIET --exec 1 --exec 2 --hold 300",
      TestDir() + "\\quiet.log");
  EXPECT_EQ(ExecuteResults(run.log), (Lines{"ack", "ack"}));
  EXPECT_TRUE(WaitUntil([&] { return closes == 1; }, std::chrono::seconds(10)));
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(ddeml::Server::Current()->ConversationCount(), 0u) << "the ended conversation is kept";
  EXPECT_TRUE(macros_.empty());
}

TEST_F(DdeTopic, RemovedTopicIsNoLongerOffered) {
  { TDdeServerConv gone("Gone"); }
  SimRun run = RunSim(job_, "--client --service " + std::string(kService) + " --topic Gone --exec 1",
                      TestDir() + "\\gone.log");
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(LinesWith(run.log, "connect failed").size(), 1u);
}

TEST_F(DdeTopic, MacrosComeFromAScriptFileOneALine) {
  std::string dir = TestDir();
  std::string script = dir + "\\macros.txt";
  {
    std::FILE* f = std::fopen(script.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("1234\\r\\n0\\r\\n\r\nHS \n\\x41\\tB\n", f);
    std::fclose(f);
  }
  SimRun run =
      RunSim(job_, "--client --service " + std::string(kService) + " --script " + Quote(script),
             dir + "\\client.log");
  EXPECT_EQ(ExecuteResults(run.log), (Lines{"ack", "ack", "ack"}));
  ASSERT_EQ(macros_.size(), 3u);
  EXPECT_EQ(macros_[0], (Lines{"1234", "0"}));
  EXPECT_EQ(macros_[1], Lines{"HS "});
  EXPECT_EQ(macros_[2], Lines{"A\tB"});
}

}  // namespace
