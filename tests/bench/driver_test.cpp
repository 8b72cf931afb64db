// The measuring programs run as the benchmark script runs them: separate processes, the driver's
// standard output read back as "key value" lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <sstream>
#include <string>

#include "startup_bench_win.h"
#include "test_support.h"
#include "winui/gdi_objects_win.h"

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
  HANDLE read_end = nullptr, write_end = nullptr;
  CreatePipe(&read_end, &write_end, &sa, 0);
  winui::KernelHandle read(read_end), write(write_end);
  SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
  auto start = std::chrono::steady_clock::now();
  winui::KernelHandle process(
      job.Start("\"" + BinPath("bench-driver.exe") + "\" " + args, write.get()));
  write.Reset();  // the driver's copy alone: the pipe breaks when it has gone
  DriverRun run;
  if (!process) {
    ADD_FAILURE() << "cannot start bench-driver.exe";
    return run;
  }
  // Reads only what is there, so that a driver that hangs fails the test at the limit instead
  // of keeping it waiting on the pipe.
  auto read_available = [&] {
    char buf[4096];
    DWORD available = 0, n = 0;
    while (PeekNamedPipe(read.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(read.get(), buf, sizeof buf, &n, nullptr) && n > 0)
      run.output.append(buf, n);
  };
  ULONGLONG deadline = GetTickCount64() + limit_ms;
  bool ended = false;
  while (!(ended = WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0) &&
         GetTickCount64() < deadline)
    read_available();
  read_available();
  read.Reset();
  if (!ended) TerminateProcess(process.get(), 3);
  EXPECT_TRUE(ended) << "driver did not end within " << limit_ms << " ms: " << args;
  GetExitCodeProcess(process.get(), &run.exit_code);
  process.Reset();
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

  // In blocks that do not divide the count, too.
  DriverRun blocks =
      RunDriver(job, "execute --service " + acking + " --topic AntDaten --ref-service " + refusing +
                         " --ref-topic Any --count 30 --warmup 3 --block 7");
  ASSERT_EQ(blocks.exit_code, 0u) << blocks.output;
  EXPECT_EQ(blocks.values["execute_count"], 30);
  EXPECT_EQ(blocks.values["execute_non_fack"], 0);
  EXPECT_EQ(blocks.values["ref_execute_count"], 30);
  EXPECT_EQ(blocks.values["ref_execute_non_fack"], 30);

  // A reference nobody serves fails the whole measurement.
  DriverRun missing =
      RunDriver(job, "execute --service " + acking + " --topic AntDaten " + "--ref-service " +
                         UniqueService("BenchNobody") + " --count 5 --connect-ms 500");
  EXPECT_EQ(missing.exit_code, 2u);
  EXPECT_NE(missing.output.find("BenchNobody"), std::string::npos) << missing.output;
}

// The child window of `parent` of this class, or null.
HWND ChildOfClass(HWND parent, const char* cls) {
  return FindWindowExA(parent, nullptr, cls, nullptr);
}

TEST(ExecuteBench, TurningWorkloadIsShownByTheShowingServer) {
  Job job;
  std::string service = UniqueService("BenchShow");
  StartServer(job, service, "--show 1");
  DriverRun run = RunDriver(job, "execute --service " + service +
                                     " --topic AntDaten --count 20 --warmup 0 --workload turning");
  ASSERT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_EQ(run.values["execute_count"], 20);
  EXPECT_EQ(run.values["execute_non_fack"], 0);
  // Executes 0 to 19: the last one carries 19 * 13 mod 360 = 247 degrees, turning right.
  HWND window = FindWindowA(nullptr, "Bench Status");
  ASSERT_NE(window, nullptr) << "the showing server has no window";
  EXPECT_TRUE(IsWindowVisible(window));
  char text[16] = "";
  DWORD_PTR length = 0;
  SendMessageTimeoutA(ChildOfClass(window, "Edit"), WM_GETTEXT, sizeof text,
                      reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &length);
  EXPECT_STREQ(text, "247");

  // An unknown workload is a refused command line.
  EXPECT_EQ(RunDriver(job, "execute --service " + service +
                               " --topic AntDaten --count 5 --workload spinning")
                .exit_code,
            64u);
}

TEST(StartupBench, WidgetsWindowCarriesTheElevenWidgets) {
  Job job;
  std::string title = "Bench Widgets " + std::to_string(GetCurrentProcessId());
  HANDLE process = job.Start("\"" + BinPath("bench-window.exe") + "\" --widgets " + title);
  ASSERT_NE(process, nullptr);
  HWND window = nullptr;
  for (int i = 0; i < 500 && !window; ++i, Sleep(20)) window = bench::FindVisibleWindow(title, 0);
  ASSERT_NE(window, nullptr);
  int statics = 0, edits = 0;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[32] = "";
    GetClassNameA(c, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0) ++statics;
    if (_stricmp(cls, "Edit") == 0) ++edits;
  }
  EXPECT_EQ(statics, 9);  // seven labels, two panels
  EXPECT_EQ(edits, 2);
  HWND entry = FindWindowExA(window, ChildOfClass(window, "Edit"), "Edit", nullptr);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(SendMessageA(entry, EM_GETLIMITTEXT, 0, 0), 3);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  CloseHandle(process);
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

  DriverRun missing = RunDriver(job, "size --exe \"" + BinPath("no-such-program.exe") + "\"");
  EXPECT_EQ(missing.exit_code, 2u);
  EXPECT_EQ(missing.output.find("--help"), std::string::npos) << "not a usage error";
  // Usage errors end with 64 (EX_USAGE), and say what was wrong and where the help is.
  for (const char* args : {"execute --service S" /* no topic */,
                           "execute --service S --topic T --count 0", "measure --exe x", ""}) {
    DriverRun usage = RunDriver(job, args);
    EXPECT_EQ(usage.exit_code, 64u) << args;
    EXPECT_NE(usage.output.find("(--help lists the options)"), std::string::npos) << usage.output;
  }
}

TEST(DriverCommands, WaitWindowGivesUpAtItsTimeout) {
  Job job;
  DriverRun run = RunDriver(job, "wait-window --title \"No Such Window Here\" --timeout-ms 500");
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_LT(run.seconds, 15.0);
  EXPECT_EQ(RunDriver(job, "close --title \"No Such Window Here\"").exit_code, 2u);
}

}  // namespace
