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

}  // namespace
