// Measures DDE execute round trips, start-up time and memory, and program sizes (kUsage says
// how). Prints one "key value" line per figure on standard output; errors go to standard error,
// with exit code 2 for a failed measurement and 64 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "execute_bench_win.h"
#include "startup_bench_win.h"
#include "stats.h"
#include "toolkit/options.h"
#include "turn_bench_win.h"
#include "wire/wire.h"

namespace {

using toolkit::Options;
using toolkit::OptionSpec;
using toolkit::Takes;
using toolkit::UsageError;

const char* const kUsage =
    "bench-driver: measures DDE execute round trips, start-up time and memory, turn latency\n"
    "and program sizes; prints one \"key value\" line per figure.\n"
    "\n"
    "  execute --service S --topic T [--ref-service S2 --ref-topic T2] [--count N]\n"
    "          [--warmup W] [--timeout-ms MS] [--connect-ms MS] [--workload constant|turning]\n"
    "          [--block B]\n"
    "  startup --exe PATH --title TITLE [--args TEXT]\n"
    "          [--ref-exe PATH --ref-title TITLE [--ref-args TEXT]] [--runs R]\n"
    "          [--window-timeout-ms MS]\n"
    "  turn-latency [--count N] [--warmup W] [--bridge-title T] [--bridge-service S]\n"
    "               [--logger-message NAME] [--greeting-ms MS] [--timeout-ms MS]\n"
    "               [--command-ms MS] [--connect-ms MS] [--linger-ms MS]\n"
    "  size --exe PATH\n"
    "  wait-window --title TITLE [--timeout-ms MS]\n"
    "  close --title TITLE [--timeout-ms MS]\n"
    "\n"
    "Exit status: 0 measured; 2 a failed measurement; 64 a bad command line (both said on\n"
    "standard error).\n";

void Print(const char* key, double value) {
  std::printf("%s %.1f\n", key, value);
}
void Print(const char* key, long long value) {
  std::printf("%s %lld\n", key, value);
}

void PrintExecute(const std::string& prefix, const bench::ExecuteResult& r) {
  auto key = [&](const char* name) { return prefix + name; };
  Print(key("execute_count").c_str(), static_cast<long long>(r.micros.size()));
  Print(key("execute_non_fack").c_str(), static_cast<long long>(r.non_fack));
  Print(key("execute_failed").c_str(), static_cast<long long>(r.failed));
  if (r.micros.empty()) return;
  bench::Summary sum = bench::Summarize(r.micros);
  Print(key("execute_median_us").c_str(), sum.median);
  Print(key("execute_p90_us").c_str(), sum.p90);
  Print(key("execute_p99_us").c_str(), sum.p99);
  Print(key("execute_min_us").c_str(), sum.min);
  Print(key("execute_max_us").c_str(), sum.max);
}

// With --ref-service the executes alternate between the two servers; the reference's figures
// carry the prefix "ref_".
int Execute(const Options& options) {
  std::vector<bench::ExecuteTarget> targets{
      {options.Required("--service"), options.Required("--topic")}};
  if (options.Has("--ref-service"))
    targets.push_back(
        {options.Required("--ref-service"), options.Text("--ref-topic", wire::kStatusTopic)});
  bench::ExecuteSettings s;
  s.count = options.Number("--count", 2000, 1, 1000000);
  s.warmup = options.Number("--warmup", 50, 0, 100000);
  s.timeout_ms = options.Number("--timeout-ms", 5000, 1, 60000);
  s.connect_ms = options.Number("--connect-ms", 10000, 0, 120000);
  s.turning = options.Choice("--workload", {{"constant", false}, {"turning", true}}, false);
  s.block = options.Number("--block", 1, 1, 100000);
  std::vector<bench::ExecuteResult> results = bench::RunExecuteBench(targets, s);
  PrintExecute("", results[0]);
  if (results.size() > 1) PrintExecute("ref_", results[1]);
  for (const bench::ExecuteResult& r : results)
    if (r.micros.empty()) throw std::runtime_error("no execute was answered");
  return 0;
}

struct StartupFigures {
  std::vector<double> millis;
  std::vector<double> memory;
  long long killed = 0;

  void Add(const bench::StartupSample& sample) {
    millis.push_back(sample.millis);
    if (sample.peak_ws_kib > 0) memory.push_back(sample.peak_ws_kib);
    killed += sample.killed;
  }

  void Print(const std::string& prefix) const {
    auto key = [&](const char* name) { return prefix + name; };
    bench::Summary t = bench::Summarize(millis);
    ::Print(key("startup_runs").c_str(), static_cast<long long>(t.count));
    ::Print(key("startup_median_ms").c_str(), t.median);
    ::Print(key("startup_min_ms").c_str(), t.min);
    ::Print(key("startup_max_ms").c_str(), t.max);
    ::Print(key("startup_killed").c_str(), killed);
    if (memory.empty()) throw std::runtime_error("the peak working set could not be read");
    ::Print(key("peak_working_set_median_kib").c_str(), bench::Summarize(memory).median);
  }
};

// With --ref-exe the starts alternate between the two programs; the reference's figures carry
// the prefix "ref_".
int Startup(const Options& options) {
  bench::StartupSettings program;
  program.exe = options.Required("--exe");
  program.title = options.Required("--title");
  program.args = options.Text("--args", "");
  program.window_timeout_ms = options.Number("--window-timeout-ms", 30000, 1, 600000);
  bench::StartupSettings reference = program;
  bool with_reference = options.Has("--ref-exe");
  if (with_reference) {
    reference.exe = options.Required("--ref-exe");
    reference.title = options.Required("--ref-title");
    reference.args = options.Text("--ref-args", "");
  }
  long runs = options.Number("--runs", 10, 1, 1000);
  StartupFigures figures, ref_figures;
  for (long i = 0; i < runs; ++i) {
    figures.Add(bench::MeasureStartup(program));
    if (with_reference) ref_figures.Add(bench::MeasureStartup(reference));
  }
  figures.Print("");
  if (with_reference) ref_figures.Print("ref_");
  return 0;
}

void PrintSummary(const std::string& prefix, const std::vector<double>& micros) {
  Print((prefix + "count").c_str(), static_cast<long long>(micros.size()));
  if (micros.empty()) return;
  bench::Summary sum = bench::Summarize(micros);
  Print((prefix + "median_us").c_str(), sum.median);
  Print((prefix + "p90_us").c_str(), sum.p90);
  Print((prefix + "p99_us").c_str(), sum.p99);
  Print((prefix + "min_us").c_str(), sum.min);
  Print((prefix + "max_us").c_str(), sum.max);
}

// Plays the rotator server for a bridge started after "server_ready" has been printed; once the
// figures and "turn_done" are out, it waits for the bridge to be closed.
int TurnLatency(const Options& options) {
  bench::TurnSettings s;
  s.count = options.Number("--count", 500, 1, 1000000);
  s.warmup = options.Number("--warmup", 20, 0, 100000);
  s.bridge_title = options.Text("--bridge-title", s.bridge_title);
  s.bridge_service = options.Text("--bridge-service", s.bridge_service);
  s.logger_message = options.Text("--logger-message", s.logger_message);
  s.greeting_ms = options.Number("--greeting-ms", 60000, 1, 600000);
  s.timeout_ms = options.Number("--timeout-ms", 5000, 1, 60000);
  s.command_ms = options.Number("--command-ms", 2000, 0, 60000);
  s.connect_ms = options.Number("--connect-ms", 10000, 0, 120000);
  s.linger_ms = options.Number("--linger-ms", 30000, 0, 600000);
  s.on_ready = [](const std::string& service) {
    std::printf("server_ready 1\n");
    std::fprintf(stderr, "turn-latency: serving '%s'\n", service.c_str());
    std::fflush(stdout);
  };
  bool intact = false;
  bench::RunTurnBench(s, [&](const bench::TurnResult& r) {
    PrintSummary("turn_", r.turn_micros);
    PrintSummary("turn_send_gap_", r.send_gap_micros);
    PrintSummary("macro_only_", r.macro_only_micros);
    Print("turn_missing", static_cast<long long>(r.missing));
    Print("turn_wrong", static_cast<long long>(r.wrong));
    Print("turn_after_execute", static_cast<long long>(r.after_execute));
    Print("turn_unexpected", static_cast<long long>(r.unexpected));
    Print("macro_not_acknowledged", static_cast<long long>(r.not_acknowledged));
    Print("macro_unanswered", static_cast<long long>(r.unanswered));
    Print("turn_done", 1LL);
    std::fflush(stdout);
    intact = !r.turn_micros.empty();
  });
  if (!intact) throw std::runtime_error("no target command arrived intact");
  return 0;
}

int Size(const Options& options) {
  std::string exe = options.Required("--exe");
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(exe.c_str(), GetFileExInfoStandard, &data))
    throw std::runtime_error("cannot read '" + exe + "'");
  Print("size_bytes", static_cast<long long>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) |
                                             data.nFileSizeLow));
  return 0;
}

// Polls every 10 ms; true when `want_present` holds within the timeout.
bool WaitForWindowState(const std::string& title, bool want_present, DWORD timeout_ms) {
  ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    bool present = bench::FindVisibleWindow(title, 0) != nullptr;
    if (present == want_present) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(10);
  }
}

int WaitWindow(const Options& options) {
  std::string title = options.Required("--title");
  DWORD timeout = options.Number("--timeout-ms", 30000, 0, 600000);
  if (!WaitForWindowState(title, true, timeout))
    throw std::runtime_error("no window '" + title + "' within " + std::to_string(timeout) + " ms");
  Print("window_found", 1LL);
  return 0;
}

int Close(const Options& options) {
  std::string title = options.Required("--title");
  DWORD timeout = options.Number("--timeout-ms", 10000, 0, 600000);
  // Hidden windows too: the DDE server's control window is never shown.
  HWND hwnd = FindWindowA(nullptr, title.c_str());
  if (!hwnd) throw std::runtime_error("no window '" + title + "'");
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  ULONGLONG deadline = GetTickCount64() + timeout;
  while (IsWindow(hwnd)) {
    if (GetTickCount64() >= deadline)
      throw std::runtime_error("window '" + title + "' still there after WM_CLOSE");
    Sleep(10);
  }
  Print("window_closed", 1LL);
  return 0;
}

constexpr Takes kValue = Takes::kValue;
const OptionSpec kExecute[] = {{"--service", kValue},     {"--topic", kValue},
                               {"--ref-service", kValue}, {"--ref-topic", kValue},
                               {"--count", kValue},       {"--warmup", kValue},
                               {"--timeout-ms", kValue},  {"--connect-ms", kValue},
                               {"--workload", kValue},    {"--block", kValue}};
const OptionSpec kStartup[] = {{"--exe", kValue},       {"--title", kValue},
                               {"--args", kValue},      {"--ref-exe", kValue},
                               {"--ref-title", kValue}, {"--ref-args", kValue},
                               {"--runs", kValue},      {"--window-timeout-ms", kValue}};
const OptionSpec kTurnLatency[] = {{"--count", kValue},          {"--warmup", kValue},
                                   {"--bridge-title", kValue},   {"--bridge-service", kValue},
                                   {"--logger-message", kValue}, {"--greeting-ms", kValue},
                                   {"--timeout-ms", kValue},     {"--command-ms", kValue},
                                   {"--connect-ms", kValue},     {"--linger-ms", kValue}};
const OptionSpec kSize[] = {{"--exe", kValue}};
const OptionSpec kWindow[] = {{"--title", kValue}, {"--timeout-ms", kValue}};

int Dispatch(std::vector<std::string> args) {
  std::string command = toolkit::TakeCommand(
      args, {"execute", "startup", "turn-latency", "size", "wait-window", "close"});
  if (command == "execute") return Execute(Options(args, kExecute));
  if (command == "startup") return Startup(Options(args, kStartup));
  if (command == "turn-latency") return TurnLatency(Options(args, kTurnLatency));
  if (command == "size") return Size(Options(args, kSize));
  if (command == "wait-window") return WaitWindow(Options(args, kWindow));
  return Close(Options(args, kWindow));
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  try {
    int rc = Dispatch(std::move(args));
    std::fflush(stdout);
    return rc;
  } catch (const UsageError& e) {
    std::fputs(toolkit::UsageLine("bench-driver", e).c_str(), stderr);
    return toolkit::kUsageStatus;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "bench-driver: %s\n", e.what());
    return 2;
  }
}
