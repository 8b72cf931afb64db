// Measures RotServer.exe. Prints one "key value" line per figure on standard output; errors go
// to standard error, with exit code 2 for a failed measurement and 64 for a bad command line.
//
//   bench-rotserver command [--count N] [--rotserver PATH]
//       plays the bridge: a target command executed on "RotServConv" until "P" reaches the
//       rotctld socket (this program's RotctldPeer), and inside RotServer from the execute's
//       arrival to the write (RotServer's --log stamps)
//   bench-rotserver turn [--count N] [--rotserver PATH] [--bridge-ms MS]
//       prints "server_ready" once RotServer runs; then the caller starts the bridge (with
//       logger32-sim already up): a turn request posted to the bridge until "P" reaches
//       rotctld, the rotator standing still; prints "turn_done" and waits for the bridge to close
//   bench-rotserver setup-test [--count N]
//       the settings dialog's Test, in this process, against the Windows stand-in for
//       rotctld.exe beside this program (rotctld-stand-in.exe): rotctld started on a spare
//       port, \dump_state and one position read, rotctld ended; and, when VEXAL_STANDIN_LIST
//       names a captured "rotctld -l", the controller list read through a pipe
//   bench-rotserver idle [--seconds S] [--rotserver PATH]
//       RotServer with a still rotator polled once a second and this program as the bridge,
//       for S seconds: prints "rotserver_ready" once it settled, then its polls and status
//       macros a second. Its CPU time is read from outside (scripts/bench-rotserver, from
//       /proc): under Wine, GetProcessTimes of another process gave 2 to 7 % where Linux
//       counted 0.35 %.
#include "rotctld_bench_peer_win.h"  // Winsock before <windows.h>
#include "message_pump_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "rotserver/core/settings.h"
#include "stats.h"
#include "rotserver/win/dde_link_win.h"
#include "rotserver/win/rotctld_probe_win.h"
#include "rotserver/win/settings_store_win.h"
#include "wire/wire.h"
#include "dde/client_win.h"
#include "toolkit/options.h"
#include "winui/registry_win.h"

namespace {

using bench::PumpUntil;

using Clock = LONGLONG;

Clock Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}
double Micros(Clock from, Clock to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to - from) * 1e6 / static_cast<double>(f.QuadPart);
}

std::string ProgramDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/"));
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    while (std::fgets(buf, sizeof buf, f)) lines.emplace_back(buf);
    std::fclose(f);
  }
  return lines;
}

bool LogHas(const std::string& path, const std::string& needle) {
  for (const auto& l : ReadLines(path))
    if (l.find(needle) != std::string::npos) return true;
  return false;
}

// RotServer.exe with --log, in a job that ends it with this program.
class RotServerRun {
 public:
  RotServerRun(const std::string& exe, const std::string& log) : log_(log) {
    DeleteFileA(log.c_str());
    job_ = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &info, sizeof info);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION pi{};
    std::string line = "\"" + exe + "\" --log \"" + log + "\"";
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &si, &pi))
      throw std::runtime_error("cannot start " + exe);
    AssignProcessToJobObject(job_, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    if (!PumpUntil([&] { return LogHas(log_, " registered service="); }, 30000))
      throw std::runtime_error("RotServer did not register its DDE service");
  }
  ~RotServerRun() {
    TerminateProcess(process_, 0);
    CloseHandle(process_);
    CloseHandle(job_);
  }
  HANDLE process() const { return process_; }
  DWORD pid() const { return pid_; }

 private:
  std::string log_;
  HANDLE job_ = nullptr;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

void Print(const char* key, double value) {
  std::printf("%s %.1f\n", key, value);
}
void Print(const char* key, long long value) {
  std::printf("%s %lld\n", key, value);
}

void PrintSummary(const std::string& prefix, std::vector<double> micros) {
  Print((prefix + "_count").c_str(), static_cast<long long>(micros.size()));
  if (micros.empty()) return;
  bench::Summary s = bench::Summarize(micros);
  std::vector<double> sorted = micros;
  std::sort(sorted.begin(), sorted.end());
  Print((prefix + "_median_us").c_str(), s.median);
  Print((prefix + "_p90_us").c_str(), s.p90);
  Print((prefix + "_p95_us").c_str(), bench::Percentile(sorted, 95));
  Print((prefix + "_max_us").c_str(), s.max);
}

void StoreRotctldSettings(unsigned port, int poll_ms) {
  rotserver::Settings settings;
  settings.backend = rotserver::BackendKind::kRotctld;
  settings.rotctld_address = "127.0.0.1:" + std::to_string(port);
  settings.poll_ms = poll_ms;
  std::string error;
  if (!rotserver::SaveSettings(settings, &error)) throw std::runtime_error(error);
}

std::string TempLog() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "rotserver-bench.log";
}

// The bridge's status topic, so that RotServer's status macros have somewhere to go, and a
// hidden window of the bridge's class: RotServer looks for the service only while one is there.
class StatusTopic {
 public:
  explicit StatusTopic(long* macros) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = wire::kBridgeWindowClass;
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, wire::kBridgeWindowClass, "bench bridge", WS_OVERLAPPED, 0, 0,
                              10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window_) throw std::runtime_error("no window of the bridge's class");
    std::string error;
    server_ = rotserver::CommandServer::Register(
        wire::kBridgeService, wire::kStatusTopic, [macros](std::string_view) { ++*macros; },
        &error);
    if (!server_) {
      DestroyWindow(window_);
      throw std::runtime_error(error);
    }
  }
  ~StatusTopic() { DestroyWindow(window_); }
  StatusTopic(const StatusTopic&) = delete;
  StatusTopic& operator=(const StatusTopic&) = delete;

 private:
  HWND window_ = nullptr;
  std::unique_ptr<rotserver::CommandServer> server_;
};

// Internal figure from RotServer's log: each execute of a target command until the "+P" it
// wrote, by the performance-counter stamps ("t=") of the two lines.
std::vector<double> ReceivedToWritten(const std::string& log) {
  std::vector<double> micros;
  double received = -1;
  auto stamp = [](const std::string& line) {
    std::size_t at = line.find(" t=");
    return at == std::string::npos ? -1.0 : std::atof(line.c_str() + at + 3);
  };
  for (const auto& line : ReadLines(log)) {
    if (line.find(" execute size=13 ") != std::string::npos ||
        line.find(" execute size=12 ") != std::string::npos) {
      received = stamp(line);
    } else if (received >= 0 && line.find(" rotctld > +P ") != std::string::npos) {
      micros.push_back((stamp(line) - received) * 1e6);
      received = -1;
    }
  }
  return micros;
}

int CommandMode(const std::string& exe, long count) {
  bench::RotctldPeer rotctld;
  StoreRotctldSettings(rotctld.port(), 1000);
  long macros = 0;
  StatusTopic status(&macros);
  std::string log = TempLog();
  RotServerRun server(exe, log);
  if (!PumpUntil([&] { return !rotctld.With("+p").empty(); }, 15000))
    throw std::runtime_error("RotServer did not reach the rotctld peer");

  ddeml::Client client("RotServer", std::string(wire::kCommandTopic));
  if (!client.Connect()) throw std::runtime_error("cannot connect to RotServer's RotServConv");
  std::vector<double> end_to_end;
  int missing = 0;
  for (long i = 0; i < count; ++i) {
    // Alternating targets, never where the rotator stands (that would be a stop request).
    std::string bytes = (i % 2 ? "1000" : "2000") + std::string("\r\n0\r\n0\r\n") + '\0';
    std::size_t seen = rotctld.With("+P").size();
    Clock sent = Now();
    client.Execute(bytes, 2000);
    if (!PumpUntil([&] { return rotctld.With("+P").size() > seen; }, 2000)) {
      ++missing;
      continue;
    }
    end_to_end.push_back(Micros(sent, rotctld.With("+P")[seen].when));
    PumpUntil([] { return false; }, 20);
  }
  client.Disconnect();
  PrintSummary("command_received_to_written", ReceivedToWritten(log));
  PrintSummary("command_execute_to_socket", end_to_end);
  Print("command_missing", static_cast<long long>(missing));
  return 0;
}

int TurnMode(const std::string& exe, long count, DWORD bridge_ms) {
  bench::RotctldPeer rotctld;
  StoreRotctldSettings(rotctld.port(), 1000);
  winui::SetUserString(wire::kSettingsKey, wire::kProgramValue, exe);
  std::string log = TempLog();
  RotServerRun server(exe, log);
  std::printf("server_ready 1\n");
  std::fflush(stdout);
  HWND bridge = nullptr;
  if (!PumpUntil([&] { return (bridge = FindWindowA(nullptr, "Logger32-Vexal")) != nullptr; },
                 bridge_ms) ||
      !PumpUntil([&] { return LogHas(log, "execute size=6 text=\"HS "); }, bridge_ms))
    throw std::runtime_error("the bridge did not appear and greet RotServer");
  UINT message = RegisterWindowMessageA("Logger32 1");
  std::vector<double> micros;
  int missing = 0;
  unsigned seed = 12345;
  for (long i = 0; i < count; ++i) {
    // A random moment within RotServer's 250 ms status period.
    seed = seed * 1103515245 + 12345;
    PumpUntil([] { return false; }, 400 + (seed >> 16) % 400);
    std::size_t seen = rotctld.With("+P").size();
    int degrees = i % 2 ? 100 : 200;
    Clock posted = Now();
    PostMessageA(bridge, message, 101, degrees);
    if (!PumpUntil([&] { return rotctld.With("+P").size() > seen; }, 3000)) {
      ++missing;
      continue;
    }
    micros.push_back(Micros(posted, rotctld.With("+P")[seen].when));
  }
  PrintSummary("turn_to_rotctld", micros);
  Print("turn_missing", static_cast<long long>(missing));
  std::printf("turn_done 1\n");
  std::fflush(stdout);
  // Serve until the bridge has gone, so that it closes with its link up.
  PumpUntil([] { return FindWindowA(nullptr, "Logger32-Vexal") == nullptr; }, 30000);
  return missing == 0 ? 0 : 2;
}

int IdleMode(const std::string& exe, long seconds) {
  bench::RotctldPeer rotctld;
  StoreRotctldSettings(rotctld.port(), 1000);
  long macros = 0;
  StatusTopic status(&macros);
  RotServerRun server(exe, TempLog());
  if (!PumpUntil([&] { return !rotctld.With("+p").empty(); }, 15000))
    throw std::runtime_error("RotServer did not reach the rotctld peer");
  PumpUntil([] { return false; }, 3000);  // settled: no target, the rotator still
  std::printf("rotserver_ready 1\n");
  std::fflush(stdout);
  std::size_t polls = rotctld.With("+p").size();
  long macros_before = macros;
  Clock start = Now();
  PumpUntil([] { return false; }, static_cast<DWORD>(seconds * 1000), 500);
  double wall = Micros(start, Now()) / 1e6;
  Print("idle_seconds", wall);
  Print("idle_polls_per_second", static_cast<double>(rotctld.With("+p").size() - polls) / wall);
  Print("idle_status_macros_per_second", static_cast<double>(macros - macros_before) / wall);
  return 0;
}

int SetupTestMode(long count) {
  rotserver::Settings settings;
  settings.backend = rotserver::BackendKind::kRotctld;
  settings.rotctld_path = ProgramDir() + "\\rotctld-stand-in.exe";
  settings.rotctld_model = 603;
  settings.rotctld_device = "COM3";
  std::vector<double> tests, lists;
  long failed = 0;
  const bool with_list = std::getenv("VEXAL_STANDIN_LIST") != nullptr;
  const rotserver::CancelSignal never;
  for (long i = 0; i < count; ++i) {
    Clock start = Now();
    rotserver::TestOutcome outcome = rotserver::TestRotctld(settings, "GS-232B", never);
    tests.push_back(Micros(start, Now()));
    if (!outcome.answered) {
      ++failed;
      std::fprintf(stderr, "bench-rotserver: Test: %s\n", outcome.text.c_str());
    }
    if (!with_list) continue;
    start = Now();
    rotserver::ModelList list = rotserver::ReadModelList(settings.rotctld_path, never);
    lists.push_back(Micros(start, Now()));
    if (!rotserver::FindModel(list.models, "GS-232B")) ++failed;
  }
  PrintSummary("setup_test", tests);
  if (with_list) PrintSummary("setup_list", lists);
  Print("setup_failed", static_cast<long long>(failed));
  return failed == 0 ? 0 : 2;
}

}  // namespace

static const char* const kUsage =
    "usage: bench-rotserver command [--count N] [--rotserver PATH]\n"
    "       bench-rotserver turn [--count N] [--rotserver PATH] [--bridge-ms MS]\n"
    "       bench-rotserver setup-test [--count N]\n"
    "       bench-rotserver idle [--seconds S] [--rotserver PATH]\n"
    "Prints one \"key value\" line per figure of RotServer.exe. Exit status: 0 measured;\n"
    "2 a failed measurement; 64 a bad command line (both said on standard error).\n";

int main(int argc, char** argv) {
  using toolkit::Takes;
  static const toolkit::OptionSpec kOptions[] = {{"--count", Takes::kValue},
                                                 {"--rotserver", Takes::kValue},
                                                 {"--seconds", Takes::kValue},
                                                 {"--bridge-ms", Takes::kValue}};
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  try {
    std::string mode = toolkit::TakeCommand(args, {"command", "turn", "setup-test", "idle"});
    toolkit::Options options(args, kOptions);
    std::string exe = options.Text("--rotserver", ProgramDir() + "\\RotServer.exe");
    if (mode == "command") return CommandMode(exe, options.Number("--count", 300, 1, 100000));
    if (mode == "turn")
      return TurnMode(exe, options.Number("--count", 100, 1, 10000),
                      static_cast<DWORD>(options.Number("--bridge-ms", 60000, 1000, 600000)));
    if (mode == "setup-test") return SetupTestMode(options.Number("--count", 20, 1, 1000));
    return IdleMode(exe, options.Number("--seconds", 30, 5, 3600));
  } catch (const toolkit::UsageError& e) {
    std::fputs(toolkit::UsageLine("bench-rotserver", e).c_str(), stderr);
    return toolkit::kUsageStatus;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench-rotserver: %s\n", e.what());
    return 2;
  }
}
