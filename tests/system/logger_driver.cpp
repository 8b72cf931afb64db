#include "logger_driver.h"

#include <cstdio>

namespace logger_test {

using namespace std::chrono_literals;

namespace {

// Must match the simulator's WM_COPYDATA tag for command lines ('L32S').
constexpr ULONG_PTR kCopyDataCommand = 0x4C333253;

std::string SimCommandLine(const std::string& log_path, const std::string& args) {
  return "\"" + harness::BinPath("logger32-sim.exe") + "\" --no-stdin --log \"" + log_path + "\" " +
         args;
}

}  // namespace

std::vector<SimEvent> ParseSimLog(const std::vector<std::string>& lines) {
  // Lines are "HH:MM:SS.mmm t=SECONDS.MICROS text"; times count from the log's first line.
  std::vector<SimEvent> events;
  bool have_start = false;
  long long start_ms = 0;
  for (const std::string& line : lines) {
    long long seconds = 0, micros = 0;
    int text_at = 0;
    const int read =
        std::sscanf(line.c_str(), "%*u:%*u:%*u.%*u t=%lld.%lld %n", &seconds, &micros, &text_at);
    if (read != 2 || text_at == 0) continue;
    const long long ms = seconds * 1000 + micros / 1000;
    if (!have_start) start_ms = ms;
    have_start = true;
    SimEvent e;
    char kind[8] = {};
    if (std::sscanf(line.c_str() + text_at, "%7s \"Logger32 %d\" wParam=%ld lParam=%ld", kind,
                    &e.name, &e.wparam, &e.lparam) != 4)
      continue;
    e.ms = static_cast<long>(ms - start_ms);
    e.kind = kind;
    events.push_back(e);
  }
  return events;
}

std::vector<SimEvent> Received(const std::vector<SimEvent>& events) {
  std::vector<SimEvent> received;
  for (const SimEvent& e : events)
    if (e.kind == "recv") received.push_back(e);
  return received;
}

std::string Codes(const std::vector<SimEvent>& events, const std::string& kind) {
  std::string codes;
  for (const SimEvent& e : events) {
    if (e.kind != kind) continue;
    if (!codes.empty()) codes += ' ';
    codes += std::to_string(e.name) + ":" + std::to_string(e.wparam);
  }
  return codes;
}

LoggerDriver::LoggerDriver(harness::Job& job, const std::string& dir, const std::string& args)
    : log_path_(dir + "\\logger32-sim.log"), child_(job, SimCommandLine(log_path_, args)) {
  // The bridge looks for the window once, at its start: it has to exist before the bridge runs.
  harness::WaitUntil(
      [&] {
        window_ = harness::FindTopWindow("Logger32", child_.pid(), false);
        return window_ != nullptr || !child_.Running();
      },
      20s);
}

std::vector<SimEvent> LoggerDriver::Events() const {
  return ParseSimLog(LogLines());
}

bool LoggerDriver::Command(const std::string& line) const {
  COPYDATASTRUCT data{kCopyDataCommand, static_cast<DWORD>(line.size()),
                      const_cast<char*>(line.data())};
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, 10000, &result) &&
         result == TRUE;
}

bool LoggerDriver::WaitFor(const std::string& kind, long wparam, harness::Millis timeout) const {
  return harness::WaitUntil(
      [&] {
        for (const SimEvent& e : Events())
          if (e.kind == kind && e.wparam == wparam) return true;
        return false;
      },
      timeout);
}

}  // namespace logger_test
