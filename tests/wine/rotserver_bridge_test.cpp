// The bridge starts RotServer itself, as an operator's set-up has it: the registry value
// "Program" names RotServer.exe, the bridge finds nobody answering and starts it with WinExec,
// minimised; RotServer's status reaches the bridge's window and a turn request from Logger32
// turns RotServer's simulated rotator.
#include <gtest/gtest.h>

#include "logger_bridge.h"
#include "logger_sim.h"
#include "rotserver_support.h"
#include "window/widget_ids.h"

using namespace std::chrono_literals;
using harness::WaitUntil;

namespace {

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  if (hwnd) GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

}  // namespace

TEST(RotServerBridge, BridgeStartsRotServerFromTheRegistryAndShowsItsRotator) {
  harness::DeleteVexalKey();
  std::string dir = harness::TestDir();
  harness::SetProgramValue(rstest::RotServerPath());
  rotserver::Settings settings;  // the simulated rotator, 0..360, standing at 0
  rstest::StoreSettings(settings);

  harness::Job job;
  logger_test::LoggerSim logger(job, dir);
  logger_test::BridgeUnderTest bridge(job);
  HWND window = bridge.WaitShown(40s);
  ASSERT_NE(window, nullptr);
  // WinExec'd programs leave the job: end RotServer by its process.
  HWND rotserver = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (rotserver = harness::FindTopWindow("RotServer", 0, false)); }, 10s));
  struct EndRotServer {
    DWORD pid;
    ~EndRotServer() {
      if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
      }
    }
  } end{ProcessOf(rotserver)};
  EXPECT_TRUE(IsIconic(rotserver)) << "RotServer was started minimised";

  EXPECT_TRUE(WaitUntil([&] { return bridge.Text(vexal::kIdIstAzimut) == "0"; }, 15s))
      << bridge.Text(vexal::kIdIstAzimut);
  ASSERT_TRUE(logger.Command("turn 10"));
  EXPECT_TRUE(WaitUntil([&] { return bridge.Text(vexal::kIdIstAzimut) == "10"; }, 30s))
      << bridge.Text(vexal::kIdIstAzimut);
  harness::DeleteVexalKey();
}
