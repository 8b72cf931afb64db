// turn-latency as the benchmark script runs it: the driver plays the rotator server for a bridge
// started once it is ready, and keeps serving until that bridge is closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "startup_bench_win.h"
#include "test_support.h"
#include "turn_bench_win.h"
#include "winui/registry_win.h"

namespace {

using benchtest::BinPath;
using benchtest::Job;

// A driver running in the background, its output collected in a file.
class BackgroundDriver {
 public:
  BackgroundDriver(Job& job, const std::string& args) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    path_ = std::string(dir) + "turn-latency-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64()) + ".txt";
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    process_ = job.Start("\"" + BinPath("bench-driver.exe") + "\" turn-latency " + args, file);
    CloseHandle(file);
  }
  ~BackgroundDriver() {
    if (process_) CloseHandle(process_);
    DeleteFileA(path_.c_str());
  }

  bool started() const { return process_ != nullptr; }

  std::string Output() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Until a line starting with `key` is out; false when the driver ended or time ran out first.
  bool WaitFor(const std::string& key, DWORD ms) const {
    ULONGLONG deadline = GetTickCount64() + ms;
    while (GetTickCount64() < deadline) {
      std::string text = Output();
      if (text.rfind(key, 0) == 0 || text.find("\n" + key) != std::string::npos) return true;
      if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) return false;
    }
    return false;
  }

  // Waits for the end; the exit code, or STILL_ACTIVE when it did not end within `ms`.
  DWORD Finish(DWORD ms) const {
    WaitForSingleObject(process_, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
  }

  std::map<std::string, double> Values() const {
    std::map<std::string, double> values;
    std::istringstream lines(Output());
    std::string key;
    double value;
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      if (fields >> key >> value) values[key] = value;
    }
    return values;
  }

 private:
  std::string path_;
  HANDLE process_ = nullptr;
};

// HKCU\Software\Vexal "Program" for the test's length, restored afterwards.
class ProgramValue {
 public:
  explicit ProgramValue(const std::string& value) : saved_(winui::GetUserValue(kKey, "Program")) {
    winui::SetUserString(kKey, "Program", value);
  }
  ~ProgramValue() {
    if (saved_)
      winui::SetUserValue(kKey, "Program", saved_->type, saved_->bytes.data(),
                          static_cast<DWORD>(saved_->bytes.size()));
    else
      winui::DeleteUserValue(kKey, "Program");
  }
  ProgramValue(const ProgramValue&) = delete;
  ProgramValue& operator=(const ProgramValue&) = delete;

 private:
  static constexpr char kKey[] = "Software\\Vexal";
  std::optional<winui::RegValue> saved_;
};

bool WaitForWindow(const std::string& title, DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  while (!FindWindowA(nullptr, title.c_str())) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

TEST(TurnLatency, TimesEveryTurnThroughTheBridgeAndEndsWhenItCloses) {
  Job job;
  ProgramValue program(BinPath("bench-driver.exe"));
  ASSERT_NE(job.Start("\"" + BinPath("logger32-sim.exe") + "\" --no-stdin"), nullptr);
  ASSERT_TRUE(WaitForWindow("Logger32", 20000));
  BackgroundDriver driver(job, "--count 40 --warmup 5 --greeting-ms 60000 --linger-ms 60000");
  ASSERT_TRUE(driver.started());
  ASSERT_TRUE(driver.WaitFor("server_ready", 30000)) << driver.Output();
  ASSERT_NE(job.Start("\"" + BinPath("Logger32Vexal.exe") + "\""), nullptr);
  ASSERT_TRUE(driver.WaitFor("turn_done", 90000)) << driver.Output();

  std::map<std::string, double> v = driver.Values();
  EXPECT_EQ(v["turn_count"], 40) << driver.Output();
  EXPECT_EQ(v["turn_missing"], 0);
  EXPECT_EQ(v["turn_wrong"], 0);
  EXPECT_EQ(v["turn_unexpected"], 0);
  EXPECT_EQ(v["macro_only_count"], 40);
  EXPECT_EQ(v["macro_not_acknowledged"], 0);
  EXPECT_EQ(v["turn_send_gap_count"], 40);
  // The command comes while the driver still waits for its status macro's acknowledgement.
  EXPECT_EQ(v["turn_after_execute"], 0);
  EXPECT_GT(v["turn_min_us"], 0);
  EXPECT_LE(v["turn_min_us"], v["turn_median_us"]);
  EXPECT_LE(v["turn_median_us"], v["turn_p90_us"]);
  EXPECT_LE(v["macro_only_min_us"], v["macro_only_median_us"]);

  // Still serving: it ends once the bridge is closed, long before its linger is over.
  EXPECT_EQ(driver.Finish(0), STILL_ACTIVE);
  HWND bridge = bench::FindVisibleWindow("Logger32-Vexal", 0);
  ASSERT_NE(bridge, nullptr);
  PostMessageA(bridge, WM_CLOSE, 0, 0);
  EXPECT_EQ(driver.Finish(30000), 0u) << driver.Output();
}

// A stand-in bridge: greets with `greeting` from a DDE client, shows a window with `title`, and
// acknowledges status macros on `service`/AntDaten without ever sending a command.
void StartFakeBridge(Job& job, const std::string& greeting, const std::string& title,
                     const std::string& service) {
  std::string sim = "\"" + BinPath("rotator-sim.exe") + "\"";
  ASSERT_NE(job.Start(sim + " --service " + service + " --topic AntDaten"), nullptr);
  // bench-window takes the whole rest of its command line as its title.
  ASSERT_NE(job.Start("\"" + BinPath("bench-window.exe") + "\" " + title), nullptr);
  ASSERT_NE(job.Start(sim + " --client --service bench-driver --topic RotServConv --exec \"" +
                      greeting + "\" --hold 20000"),
            nullptr);
}

TEST(TurnLatency, CommandsThatNeverComeAreCountedAndFailTheRun) {
  Job job;
  std::string id = std::to_string(GetCurrentProcessId());
  std::string title = "Fake Bridge " + id, service = "FakeBridge" + id;
  BackgroundDriver driver(job,
                          "--count 3 --warmup 0 --command-ms 300 --linger-ms 0 "
                          "--greeting-ms 30000 --bridge-title \"" +
                              title + "\" --bridge-service " + service);
  ASSERT_TRUE(driver.WaitFor("server_ready", 30000)) << driver.Output();
  StartFakeBridge(job, "HS \\r\\n", title, service);
  EXPECT_EQ(driver.Finish(60000), 2u) << driver.Output();
  std::map<std::string, double> v = driver.Values();
  EXPECT_EQ(v["turn_missing"], 3) << driver.Output();
  EXPECT_EQ(v["turn_count"], 0);
  EXPECT_EQ(v["macro_only_count"], 3);
  EXPECT_EQ(v.count("turn_median_us"), 0u);
  EXPECT_NE(driver.Output().find("no target command arrived intact"), std::string::npos);
}

TEST(TurnLatency, WrongGreetingOrNoneEndsTheRunWithItsReason) {
  Job job;
  std::string id = std::to_string(GetCurrentProcessId());
  {
    // "HS" without its blank.
    BackgroundDriver driver(job,
                            "--count 3 --greeting-ms 30000 --bridge-title \"Nobody " + id + "\"");
    ASSERT_TRUE(driver.WaitFor("server_ready", 30000)) << driver.Output();
    StartFakeBridge(job, "HS\\r\\n", "Not Used " + id, "NotUsed" + id);
    EXPECT_EQ(driver.Finish(60000), 2u) << driver.Output();
    EXPECT_NE(driver.Output().find("not the greeting: 48 53 0D 0A 00"), std::string::npos)
        << driver.Output();
  }
  BackgroundDriver silent(job, "--count 3 --greeting-ms 1000");
  EXPECT_EQ(silent.Finish(30000), 2u) << silent.Output();
  EXPECT_NE(silent.Output().find("no greeting from the bridge within 1000 ms"), std::string::npos)
      << silent.Output();
}

TEST(TurnLatency, CommandBytesAndServiceNames) {
  EXPECT_EQ(bench::TargetCommandBytes(245), std::string("2450\r\n0\r\n0\r\n\0", 13));
  EXPECT_EQ(bench::TargetCommandBytes(0), std::string("0\r\n0\r\n0\r\n\0", 10));
  EXPECT_EQ(bench::TargetCommandBytes(360), std::string("3600\r\n0\r\n0\r\n\0", 13));

  EXPECT_EQ(bench::ServiceNameOf("Z:\\work\\bin\\bench-driver.exe"), "bench-driver");
  EXPECT_EQ(bench::ServiceNameOf("D:roduv.exe"), "roduv");
  EXPECT_EQ(bench::ServiceNameOf("Z:/work/bin/bench-driver.exe"), "bench-driver");
  EXPECT_THROW(bench::ServiceNameOf("C:\\Tools\\a.ex"), std::runtime_error);
  EXPECT_THROW(bench::ServiceNameOf("C:\\Tools\\"), std::runtime_error);
}

}  // namespace
