// RotServer keeps the configured rotctld command running: started with RotServer, started
// again after it was killed, and ended with RotServer. rotator-sim (a Windows program that logs
// its start and then waits) stands in for rotctld.exe.
#include <gtest/gtest.h>

#include "dde_support.h"
#include "rotserver_support.h"

using namespace std::chrono_literals;
using harness::WaitUntil;

namespace {

class RotServerSupervisor : public rstest::RotServerTest {
 protected:
  void SetUp() override {
    RotServerTest::SetUp();
    started_log_ = dir_ + "\\stand-in.log";
    // Nothing listens on port 9: the link itself is not what these tests look at.
    rotserver::Settings settings = rstest::RotctldSettings("127.0.0.1:9");
    settings.rotctld_command = ddetest::Quote(ddetest::SimPath()) +
                               " --service FakeRotctld --log " + ddetest::Quote(started_log_);
    rstest::StoreSettings(settings);
  }
  void TearDown() override {
    ddetest::KillLoggedStarts(started_log_);
    RotServerTest::TearDown();
  }

  // Process ids of the stand-in's starts, in order.
  std::vector<DWORD> Starts() const {
    std::vector<DWORD> pids;
    for (const auto& line : ddetest::LinesWith(harness::ReadLines(started_log_), " start pid="))
      pids.push_back(std::stoul(ddetest::Field(line, "pid")));
    return pids;
  }
  bool WaitStarts(std::size_t n) {
    return WaitUntil([&] { return Starts().size() >= n; }, 20s);
  }

  static bool Running(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
  }
  static void Kill(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    ASSERT_NE(process, nullptr);
    TerminateProcess(process, 9);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }

  std::string started_log_;
};

TEST_F(RotServerSupervisor, CommandStartedRestartedAfterAKillAndEndedWithRotServer) {
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  ASSERT_TRUE(WaitStarts(1)) << "the configured command was not started";
  DWORD first = Starts()[0];
  ASSERT_TRUE(Running(first));

  Kill(first);
  ASSERT_TRUE(WaitStarts(2)) << "not started again after it was killed";
  DWORD second = Starts()[1];
  EXPECT_NE(second, first);
  EXPECT_TRUE(Running(second));
  EXPECT_TRUE(server.WaitLog("supervisor: exited pid=" + std::to_string(first) + " code=9", 5s));

  ASSERT_TRUE(server.Close(15s)) << "RotServer did not end";
  EXPECT_TRUE(WaitUntil([&] { return !Running(second); }, 5s)) << "rotctld outlived RotServer";
  EXPECT_EQ(Starts().size(), 2u);
}

TEST_F(RotServerSupervisor, CommandEndsEvenWhenRotServerIsKilled) {
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  ASSERT_TRUE(WaitStarts(1));
  DWORD pid = Starts()[0];
  server.process().Kill();
  EXPECT_TRUE(WaitUntil([&] { return !Running(pid); }, 10s))
      << "rotctld outlived RotServer; " << ddetest::LinesWith(server.Log(), "supervisor")[0];
}

// One RotServer per session. Started twice at once (the bridge starting one while the one started
// at logon still comes up), one stays: one DDE service, one rotctld. A later start, with that
// one minimised, brings its window back and ends.
TEST_F(RotServerSupervisor, SecondStartBringsTheFirstToTheFrontAndEndsWithoutServiceOrRotctld) {
  const std::string start = '"' + rstest::RotServerPath() + "\" --log \"" + dir_;
  harness::Child a(job_, start + "\\a.log\""), b(job_, start + "\\b.log\"");
  ASSERT_TRUE(WaitUntil([&] { return !a.Running() || !b.Running(); }, 20s)) << "both stay";
  const bool a_stays = a.Running();
  harness::Child& first = a_stays ? a : b;
  const std::string first_log = dir_ + (a_stays ? "\\a.log" : "\\b.log");
  const std::string second_log = dir_ + (a_stays ? "\\b.log" : "\\a.log");
  DWORD code = 99;
  ASSERT_TRUE((a_stays ? b : a).WaitExit(0ms, &code));
  EXPECT_EQ(code, 0u);
  std::vector<std::string> second = harness::ReadLines(second_log);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(second[0].find("single instance: RotServer pid=" + std::to_string(first.pid()) +
                           " runs already; its window brought to the front"),
            std::string::npos)
      << second[0];
  ASSERT_TRUE(WaitStarts(1));
  ASSERT_TRUE(WaitUntil(
      [&] { return !ddetest::LinesWith(harness::ReadLines(first_log), " registered service=").empty(); },
      20s));

  HWND window = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (window = FindWindowA("RotServerWindow", nullptr)); }, 10s));
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(owner, first.pid());
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 5s));
  harness::Child third(job_, start + "\\c.log\"");
  ASSERT_TRUE(third.WaitExit(20s)) << "a third RotServer stays";
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(window) && IsWindowVisible(window); }, 5s))
      << "the first RotServer's window is still minimised";
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(Starts().size(), 1u) << "a second rotctld was started";
}

}  // namespace
