// Measures DDE execute round trips, start-up time and memory, and program sizes. Prints one
// "key value" line per figure on standard output; errors go to standard error with exit code 2
// (1 for a usage error).
//
//   bench-driver execute --service S --topic T [--count N] [--warmup W] [--timeout-ms MS]
//                        [--connect-ms MS]
//   bench-driver startup --exe PATH --title TITLE [--args TEXT] [--runs R]
//   bench-driver size --exe PATH
//   bench-driver wait-window --title TITLE [--timeout-ms MS]
//   bench-driver close --title TITLE [--timeout-ms MS]
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "execute_bench.h"
#include "options.h"
#include "startup_bench.h"
#include "stats.h"

namespace {

using bench::Options;

class UsageError : public std::invalid_argument {
  using std::invalid_argument::invalid_argument;
};

void Print(const char* key, double value) {
  std::printf("%s %.1f\n", key, value);
}
void Print(const char* key, long long value) {
  std::printf("%s %lld\n", key, value);
}

int Execute(const Options& options) {
  bench::ExecuteSettings s;
  s.service = options.Required("service");
  s.topic = options.Required("topic");
  s.count = options.Number("count", 2000, 1, 1000000);
  s.warmup = options.Number("warmup", 50, 0, 100000);
  s.timeout_ms = options.Number("timeout-ms", 5000, 1, 60000);
  s.connect_ms = options.Number("connect-ms", 10000, 0, 120000);
  bench::ExecuteResult r = bench::RunExecuteBench(s);
  Print("execute_count", static_cast<long long>(r.micros.size()));
  Print("execute_non_fack", static_cast<long long>(r.non_fack));
  Print("execute_failed", static_cast<long long>(r.failed));
  if (r.micros.empty()) throw std::runtime_error("no execute was answered");
  bench::Summary sum = bench::Summarize(r.micros);
  Print("execute_median_us", sum.median);
  Print("execute_p90_us", sum.p90);
  Print("execute_p99_us", sum.p99);
  Print("execute_min_us", sum.min);
  Print("execute_max_us", sum.max);
  return 0;
}

int Startup(const Options& options) {
  bench::StartupSettings s;
  s.exe = options.Required("exe");
  s.title = options.Required("title");
  s.args = options.Text("args", "");
  long runs = options.Number("runs", 10, 1, 1000);
  std::vector<double> millis, memory;
  long long killed = 0;
  for (long i = 0; i < runs; ++i) {
    bench::StartupSample sample = bench::MeasureStartup(s);
    millis.push_back(sample.millis);
    if (sample.peak_ws_kib > 0) memory.push_back(sample.peak_ws_kib);
    killed += sample.killed;
  }
  bench::Summary t = bench::Summarize(millis);
  Print("startup_runs", static_cast<long long>(t.count));
  Print("startup_median_ms", t.median);
  Print("startup_min_ms", t.min);
  Print("startup_max_ms", t.max);
  Print("startup_killed", killed);
  if (memory.empty()) throw std::runtime_error("the peak working set could not be read");
  Print("peak_working_set_median_kib", bench::Summarize(memory).median);
  return 0;
}

int Size(const Options& options) {
  std::string exe = options.Required("exe");
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
  std::string title = options.Required("title");
  DWORD timeout = options.Number("timeout-ms", 30000, 0, 600000);
  if (!WaitForWindowState(title, true, timeout))
    throw std::runtime_error("no window '" + title + "' within " + std::to_string(timeout) + " ms");
  Print("window_found", 1LL);
  return 0;
}

int Close(const Options& options) {
  std::string title = options.Required("title");
  DWORD timeout = options.Number("timeout-ms", 10000, 0, 600000);
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

int Dispatch(const std::string& command, const std::vector<std::string>& args) {
  if (command == "execute")
    return Execute(
        Options(args, {"service", "topic", "count", "warmup", "timeout-ms", "connect-ms"}));
  if (command == "startup") return Startup(Options(args, {"exe", "title", "args", "runs"}));
  if (command == "size") return Size(Options(args, {"exe"}));
  if (command == "wait-window") return WaitWindow(Options(args, {"title", "timeout-ms"}));
  if (command == "close") return Close(Options(args, {"title", "timeout-ms"}));
  throw UsageError("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: bench-driver execute|startup|size|wait-window|close --option value...\n",
               stderr);
    return 1;
  }
  try {
    int rc = Dispatch(argv[1], {argv + 2, argv + argc});
    std::fflush(stdout);
    return rc;
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "bench-driver: %s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "bench-driver: %s\n", e.what());
    return 2;
  }
}
