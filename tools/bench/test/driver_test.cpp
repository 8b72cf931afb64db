// The measuring programs run as the benchmark script runs them: separate processes, the driver's
// standard output read back as "key value" lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <sstream>
#include <string>

#include "startup_bench.h"
#include "test_support.h"

namespace {

using benchtest::BinPath;
using benchtest::Job;

struct DriverRun {
  DWORD exit_code = 0;
  std::string output;
  double seconds = 0;
  std::map<std::string, double> values;
};

// Runs the driver to its end (at most `limit`) and parses its "key value" lines.
DriverRun RunDriver(Job& job, const std::string& args, DWORD limit_ms = 60000) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  CreatePipe(&read, &write, &sa, 0);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  auto start = std::chrono::steady_clock::now();
  HANDLE process = job.Start("\"" + BinPath("bench-driver.exe") + "\" " + args, write);
  CloseHandle(write);
  DriverRun run;
  if (!process) {
    CloseHandle(read);
    ADD_FAILURE() << "cannot start bench-driver.exe";
    return run;
  }
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n > 0) run.output.append(buf, n);
  CloseHandle(read);
  EXPECT_EQ(WaitForSingleObject(process, limit_ms), WAIT_OBJECT_0) << "driver did not end";
  GetExitCodeProcess(process, &run.exit_code);
  CloseHandle(process);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::istringstream lines(run.output);
  std::string key;
  double value;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    if (fields >> key >> value) run.values[key] = value;
  }
  return run;
}

std::string UniqueService(const char* stem) {
  return std::string(stem) + std::to_string(GetCurrentProcessId());
}

// A bench-dde-server, started and given time to register its service.
HANDLE StartServer(Job& job, const std::string& service, const std::string& extra = "") {
  HANDLE process = job.Start("\"" + BinPath("bench-dde-server.exe") + "\" --service " + service +
                             " --seconds 60 " + extra);
  EXPECT_NE(process, nullptr);
  return process;
}

TEST(ExecuteBench, MeasuresEveryAcknowledgedExecute) {
  Job job;
  std::string service = UniqueService("BenchAck");
  HANDLE server = StartServer(job, service);
  DriverRun run = RunDriver(job, "execute --service " + service + " --topic AntDaten --count 200");
  ASSERT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_EQ(run.values["execute_count"], 200);
  EXPECT_EQ(run.values["execute_non_fack"], 0);
  EXPECT_EQ(run.values["execute_failed"], 0);
  double min = run.values["execute_min_us"], median = run.values["execute_median_us"];
  EXPECT_GT(min, 0);
  EXPECT_LE(min, median);
  EXPECT_LE(median, run.values["execute_p90_us"]);
  EXPECT_LE(run.values["execute_p90_us"], run.values["execute_p99_us"]);
  EXPECT_LE(run.values["execute_p99_us"], run.values["execute_max_us"]);

  // The server's control window ends it, as the benchmark script does.
  DriverRun close = RunDriver(job, "close --title \"bench-dde-server " + service + "\"");
  EXPECT_EQ(close.exit_code, 0u) << close.output;
  EXPECT_EQ(WaitForSingleObject(server, 10000), WAIT_OBJECT_0);
  CloseHandle(server);
}

TEST(ExecuteBench, AlternatingServersKeepTheirOwnFigures) {
  // One server acknowledges, the reference refuses: each one's answers must stay its own.
  Job job;
  std::string acking = UniqueService("BenchAck"), refusing = UniqueService("BenchRefuse");
  StartServer(job, acking);
  StartServer(job, refusing, "--refuse 1");
  DriverRun run =
      RunDriver(job, "execute --service " + acking + " --topic AntDaten --ref-service " + refusing +
                         " --ref-topic Any --count 30 --warmup 0");
  ASSERT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_EQ(run.values["execute_count"], 30);
  EXPECT_EQ(run.values["execute_non_fack"], 0);
  EXPECT_EQ(run.values["ref_execute_count"], 30);
  EXPECT_EQ(run.values["ref_execute_non_fack"], 30);
  EXPECT_EQ(run.values["ref_execute_failed"], 0);
  EXPECT_GT(run.values["ref_execute_median_us"], 0);

  // A reference nobody serves fails the whole measurement.
  DriverRun missing =
      RunDriver(job, "execute --service " + acking + " --topic AntDaten " + "--ref-service " +
                         UniqueService("BenchNobody") + " --count 5 --connect-ms 500");
  EXPECT_EQ(missing.exit_code, 2u);
  EXPECT_NE(missing.output.find("BenchNobody"), std::string::npos) << missing.output;
}

TEST(ExecuteBench, MissingServerFailsClearlyAndInBoundedTime) {
  Job job;
  DriverRun run = RunDriver(job, "execute --service " + UniqueService("BenchNobody") +
                                     " --topic AntDaten --count 10 --connect-ms 1000");
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_NE(run.output.find("cannot connect to DDE service"), std::string::npos) << run.output;
  EXPECT_EQ(run.values.count("execute_median_us"), 0u);
  EXPECT_LT(run.seconds, 20.0);
}

TEST(StartupBench, MeasuresAndClosesEveryRun) {
  Job job;
  std::string title = "Bench Window " + std::to_string(GetCurrentProcessId());
  std::string ref_title = title + " reference";
  std::string exe = BinPath("bench-window.exe");
  DriverRun run = RunDriver(job,
                            "startup --exe \"" + exe + "\" --args \"" + title + "\" --title \"" +
                                title + "\" --ref-exe \"" + exe + "\" --ref-args \"" + ref_title +
                                "\" --ref-title \"" + ref_title + "\" --runs 2",
                            120000);
  ASSERT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_EQ(run.values["startup_runs"], 2);
  EXPECT_EQ(run.values["ref_startup_runs"], 2);
  EXPECT_GT(run.values["ref_peak_working_set_median_kib"], 1024);
  EXPECT_EQ(run.values["startup_killed"], 0);
  EXPECT_GT(run.values["startup_min_ms"], 0);
  EXPECT_LE(run.values["startup_min_ms"], run.values["startup_median_ms"]);
  EXPECT_LE(run.values["startup_median_ms"], run.values["startup_max_ms"]);
  // Wine's own processes alone take megabytes; a figure below 1 MiB was misread.
  EXPECT_GT(run.values["peak_working_set_median_kib"], 1024);
  EXPECT_EQ(bench::FindVisibleWindow(title, 0), nullptr) << "a measured window was left open";
  EXPECT_EQ(bench::FindVisibleWindow(ref_title, 0), nullptr) << "a reference window was left open";
}

TEST(StartupBench, ProgramWithoutTheWindowFailsInsteadOfWaiting) {
  Job job;
  // The driver itself, started without arguments, ends at once and shows no window.
  DriverRun ends = RunDriver(job, "startup --exe \"" + BinPath("bench-driver.exe") +
                                      "\" --title \"Never Shown\" --runs 1");
  EXPECT_EQ(ends.exit_code, 2u);
  EXPECT_NE(ends.output.find("ended before showing"), std::string::npos) << ends.output;

  DriverRun missing =
      RunDriver(job, "startup --exe \"" + BinPath("no-such-program.exe") + "\" --title X");
  EXPECT_EQ(missing.exit_code, 2u);
  EXPECT_NE(missing.output.find("cannot start"), std::string::npos) << missing.output;
}

TEST(DriverCommands, SizeAndUsageErrors) {
  Job job;
  std::string exe = BinPath("bench-window.exe");
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(exe.c_str(), GetFileExInfoStandard, &data));
  DriverRun size = RunDriver(job, "size --exe \"" + exe + "\"");
  EXPECT_EQ(size.exit_code, 0u);
  EXPECT_EQ(size.values["size_bytes"], static_cast<double>(data.nFileSizeLow));

  EXPECT_EQ(RunDriver(job, "size --exe \"" + BinPath("no-such-program.exe") + "\"").exit_code, 2u);
  EXPECT_EQ(RunDriver(job, "execute --service S").exit_code, 1u);  // no topic
  EXPECT_EQ(RunDriver(job, "execute --service S --topic T --count 0").exit_code, 1u);
  EXPECT_EQ(RunDriver(job, "measure --exe x").exit_code, 1u);
  EXPECT_EQ(RunDriver(job, "").exit_code, 1u);
}

TEST(DriverCommands, WaitWindowGivesUpAtItsTimeout) {
  Job job;
  DriverRun run = RunDriver(job, "wait-window --title \"No Such Window Here\" --timeout-ms 500");
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_LT(run.seconds, 15.0);
  EXPECT_EQ(RunDriver(job, "close --title \"No Such Window Here\"").exit_code, 2u);
}

}  // namespace
