// logger32-sim: a stand-in for the Logger32 logging program, for trials and tests of the bridge.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "event_log_win.h"
#include "sim_options.h"
#include "sim_window_win.h"
#include "stdin_reader_win.h"
#include "toolkit/options.h"

using namespace logger32sim;

namespace {

int ShowCommand() {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
}

std::string DescribeOptions(const SimOptions& o) {
  std::string text = "start";
  if (o.silent) text += ", silent";
  if (o.hang_ms) text += ", hangs " + std::to_string(o.hang_ms) + " ms on the first message";
  for (int k : o.refused_names) text += ", refuses " + std::to_string(k);
  text += ", first reply ";
  text += std::to_string(o.first_reply_wparam) + ',' + std::to_string(o.first_reply_lparam) +
          ", reply phase";
  for (long w : o.reply_phase) text += ' ' + std::to_string(w);
  if (o.hundred_first) text += ", " + std::to_string(o.hundred_first) + " hundreds first";
  for (const ScheduledTurn& t : o.turns)
    text += ", turn " + std::to_string(t.azimuth) + "@" + std::to_string(t.delay_ms);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  try {
    options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const toolkit::UsageError& e) {
    std::fputs(toolkit::UsageLine("logger32-sim", e).c_str(), stderr);
    return toolkit::kUsageStatus;
  }
  if (options.show_help) {
    std::printf("%s", kUsage);
    return 0;
  }
  EventLog log(options.log_path);
  if (!log.ok()) {
    std::fprintf(stderr, "logger32-sim: cannot write %s\n", options.log_path.c_str());
    return 2;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND window = CreateSimWindow(instance, options, log);
  if (!window) {
    std::fprintf(stderr, "logger32-sim: cannot create the window\n");
    return 1;
  }
  log.Info(DescribeOptions(options));
  ShowWindow(window, ShowCommand());
  if (options.read_stdin) StartStdinReader(window, kMsgCommandLine);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (log.violations() > 0) return 3;
  return static_cast<int>(msg.wParam);
}
