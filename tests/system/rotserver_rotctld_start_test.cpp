// How RotServer starts the rotctld command of its settings, seen from outside: the program is
// started by its own path (never a decoy C:\Program.exe for an unquoted C:\Program Files\...),
// a missing program is named by its path and tried again after growing pauses, and what rotctld
// prints reaches the log and, when it ends, the status line. program-stand-in (a Windows
// program that says what it is told and marks every start) stands in for rotctld.exe, whose
// Linux build would print to Wine's own output instead of the pipe.
#include <gtest/gtest.h>

#include <regex>

#include "dde_support.h"
#include "harness.h"
#include "rotserver_support.h"
#include "rotserver/win/main_window_win.h"

using namespace std::chrono_literals;
using ddetest::LinesWith;
using harness::WaitUntil;

namespace {

const std::string kHamlibDir = "C:\\Program Files\\Hamlib Test";
const std::string kRotctld = kHamlibDir + "\\rotctld.exe";

std::string StandInPath() {
  return harness::BinPath("program-stand-in.exe");
}

// The text of a log line after `key=`, up to the next " word=" or the end.
std::string After(const std::string& line, const std::string& key, const std::string& next) {
  std::size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return "<none>";
  at += key.size() + 2;
  std::size_t end = next.empty() ? std::string::npos : line.find(" " + next + "=", at);
  return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

class RotServerRotctldStart : public rstest::RotServerTest {
 protected:
  void SetUp() override {
    RotServerTest::SetUp();
    mark_ = dir_ + "\\starts.log";
    DeleteFileA(mark_.c_str());
    // RotServer passes its environment on to what it starts.
    ASSERT_TRUE(SetEnvironmentVariableA("ROTCTLD_STAND_IN_MARK", mark_.c_str()));
  }
  void TearDown() override {
    ddetest::KillLoggedStarts(mark_);
    RotServerTest::TearDown();
    SetEnvironmentVariableA("ROTCTLD_STAND_IN_MARK", nullptr);
    DeleteFileA(harness::kDecoyProgram);
    DeleteFileA(kRotctld.c_str());
    RemoveDirectoryA(kHamlibDir.c_str());
  }

  // Nothing listens on port 9: the link is not what these tests look at.
  void StoreCommand(const std::string& command, const std::string& port = "") {
    rotserver::Settings settings = rstest::RotctldSettings("127.0.0.1:9");
    settings.rotctld_command = command;
    settings.rotctld_device = port;
    rstest::StoreSettings(settings);
  }
  std::vector<std::string> Starts() const {
    return LinesWith(harness::ReadLines(mark_), " start pid=");
  }

  std::string mark_;
};

TEST_F(RotServerRotctldStart, UnquotedPathWithBlanksStartsTheProgramNotADecoy) {
  CreateDirectoryA(kHamlibDir.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(StandInPath().c_str(), kRotctld.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(StandInPath().c_str(), harness::kDecoyProgram, FALSE));
  StoreCommand(kRotctld + " -m 1 -t 4591");
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  ASSERT_TRUE(server.WaitLog("supervisor: started pid=", 15s)) << "nothing was started";
  ASSERT_TRUE(WaitUntil([&] { return !Starts().empty(); }, 10s)) << "no start was marked";
  // The program runs until it is ended: one start, and it is the one named.
  std::vector<std::string> starts = Starts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(After(starts[0], "module", "cmdline"), kRotctld) << "the decoy ran";
  EXPECT_EQ(After(starts[0], "cmdline", ""),
            "\"C:\\Program Files\\Hamlib Test\\rotctld.exe\" -m 1 -t 4591");
  std::vector<std::string> started = LinesWith(server.Log(), "supervisor: started pid=");
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(After(started[0], "program", "command"), kRotctld);
}

TEST_F(RotServerRotctldStart, MissingProgramIsNamedByItsPathAndTriedAfterGrowingPauses) {
  ASSERT_TRUE(CopyFileA(StandInPath().c_str(), harness::kDecoyProgram, FALSE));
  StoreCommand("C:\\Program Files\\No Hamlib\\rotctld.exe -m 1 -t 4591");
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  const std::string missing =
      "rotctld program not found: C:\\Program Files\\No Hamlib\\rotctld.exe";
  // Four attempts: at 0 s, then after 1, 2 and 4 s.
  ASSERT_TRUE(WaitUntil(
      [&] { return LinesWith(server.Log(), "supervisor: start failed: ").size() >= 4; }, 20s))
      << "fewer than four attempts in 20 s";
  std::vector<std::string> failures = LinesWith(server.Log(), "supervisor: start failed: ");
  std::vector<std::string> pauses;
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NE(failures[i].find(missing + " restart_in_ms="), std::string::npos) << failures[i];
    pauses.push_back(After(failures[i], "restart_in_ms", ""));
  }
  EXPECT_EQ(pauses, (std::vector<std::string>{"1000", "2000", "4000", "8000"}));
  EXPECT_NE(server.ChildText(rotserver::kIdStatusDetails).find(missing), std::string::npos)
      << server.ChildText(rotserver::kIdStatusDetails);
  EXPECT_TRUE(Starts().empty()) << "something was started: " << Starts()[0];
}

// A chatty rotctld (here 1.5 s of output as fast as it goes) gets the log's budget, and a line
// that says how much was left out; its last words still reach the log and the status line, in
// an operator's words, naming the port, with one countdown; "Details…" keeps rotctld's own. The
// port is one Windows does not list (Wine lists COM1 for /dev/ttyS0 and no more here): an
// unplugged USB adapter.
TEST_F(RotServerRotctldStart, RotctldsOwnWordsReachTheLogWithinItsBudgetAndTheStatusLine) {
  StoreCommand('"' + StandInPath() +
                   "\" --out \"rotctld Hamlib 4.5.4\" --flood 1500 --err \"rot_open: error = IO "
                   "error\" --exit 2",
               "COM9");
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  ASSERT_TRUE(server.WaitLog(" code=2 restart_in_ms=", 15s)) << "rotctld's end was not seen";
  std::vector<std::string> log = server.Log();
  EXPECT_EQ(LinesWith(log, "rotctld says: rotctld Hamlib 4.5.4").size(), 1u);
  const std::size_t chatter = LinesWith(log, "rotctld says: rotctld chatter").size();
  EXPECT_GT(chatter, 0u);
  // 32 kB a second of 120-byte lines: about 270 a second, against thousands without a budget.
  EXPECT_LT(chatter, 1000u) << "the log took rotctld's chatter whole";
  EXPECT_FALSE(LinesWith(log, " bytes of its output left out of this log").empty());
  const std::string ended = "rotctld ended (exit code 2): rot_open: error = IO error";
  EXPECT_NE(LinesWith(log, " code=2 restart_in_ms=")[0].find(" why=" + ended), std::string::npos)
      << "its last words are logged with its end";
  auto details = [&] { return server.ChildText(rotserver::kIdStatusDetails); };
  EXPECT_TRUE(WaitUntil([&] { return details().find(ended) != std::string::npos; }, 5s))
      << details();
  const std::regex shown(R"(COM9 is not there\. Plug in the controller's USB cable, or choose )"
                         R"(the port Windows lists \(Settings\)\. Trying again in [0-9]+ s\.)");
  const std::string text = server.ChildText(rotserver::kIdStatusLine);
  EXPECT_TRUE(std::regex_match(text, shown)) << text;
}

// A DLL missing: Windows' loader ends the program with STATUS_DLL_NOT_FOUND before it runs.
TEST_F(RotServerRotctldStart, MissingDllIsToldInAnOperatorsWords) {
  StoreCommand('"' + StandInPath() + "\" --exit -1073741515");  // 0xC0000135
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  const std::regex shown(R"(rotctld\.exe cannot start: a DLL it needs is missing\. Choose the )"
                         R"(one in Hamlib's bin folder \(Settings\)\. Trying again in [0-9]+ s\.)");
  EXPECT_TRUE(WaitUntil(
      [&] { return std::regex_match(server.ChildText(rotserver::kIdStatusLine), shown); }, 15s))
      << server.ChildText(rotserver::kIdStatusLine);
}

}  // namespace
