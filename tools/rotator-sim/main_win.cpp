// rotator-sim: the rotator server's side of the bridge's DDE link, for tests. As a server it
// offers the command topic and logs every execute byte for byte, optionally in front of a
// simulated rotator; as a client it executes macros on the bridge's status topic.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "client_mode_win.h"
#include "control_channel_win.h"
#include "options_win.h"
#include "server_mode_win.h"
#include "toolkit/line_log_win.h"
#include "sim_mapping.h"
#include "simulator_win.h"
#include "toolkit/options.h"

namespace {

// A GUI program has no console of its own; write to the one it was started from, if any.
void PrintToParentConsole(const std::string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if ((!out || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
    out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out && out != INVALID_HANDLE_VALUE)
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

WORD StartShowCommand() {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  GetStartupInfoA(&si);
  return (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
}

// Run-time commands that every server takes; the simulated rotator takes some more.
bool CommonCommand(const std::string& command) {
  if (command == "end") {
    rotsim::RequestEndConversation();
  } else if (command == "quit") {
    PostQuitMessage(0);
  } else {
    return false;
  }
  return true;
}

// "target 120" (degrees, a decimal fraction allowed) in tenths.
std::optional<int> TargetTenths(const std::string& command) {
  if (command.rfind("target ", 0) != 0) return std::nullopt;
  char* end = nullptr;
  double degrees = std::strtod(command.c_str() + 7, &end);
  if (end == command.c_str() + 7 || *end != '\0') return std::nullopt;
  return rotsim::TenthsFromDegrees(degrees);
}

int RunServerWithBackend(const rotsim::Options& options, toolkit::LineLog& log) {
  // Run-time commands: the common ones, then those of the backend (`extra`, may be empty).
  auto control = [&](std::function<bool(const std::string&)> extra) {
    return std::make_unique<rotsim::ControlChannel>(
        [&log, extra](const std::string& c) {
          if (CommonCommand(c) || (extra && extra(c))) return true;
          log.Line("command unknown here: " + c);
          return false;
        },
        options.commands_from_stdin, log);
  };
  if (options.simulate) {
    rotsim::RotatorSim rotator(options, log);
    auto channel = control([&](const std::string& c) {
      if (c == "off" || c == "on") {
        rotator.SetOff(c == "off");
        return true;
      }
      if (auto target = TargetTenths(c)) {
        rotator.Turn(*target);
        return true;
      }
      return false;
    });
    rotator.Start();
    return rotsim::RunServer(options, log, &rotator);
  }
  auto channel = control(nullptr);
  return rotsim::RunServer(options, log);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  std::optional<rotsim::Options> options;
  try {
    options = rotsim::ParseOptions({__argv + 1, __argv + __argc});
  } catch (const toolkit::UsageError& e) {
    PrintToParentConsole(toolkit::UsageLine("rotator-sim", e));
    return toolkit::kUsageStatus;
  }
  if (options->help) {
    PrintToParentConsole(rotsim::HelpText());
    return 0;
  }
  toolkit::LineLog log(options->log);
  std::string positional;
  for (const auto& p : options->positional) positional += " " + p;
  log.Line("start pid=" + std::to_string(GetCurrentProcessId()) + " show=" + std::to_string(show) +
           " startup-show=" + std::to_string(StartShowCommand()) +
           " mode=" + (options->client ? "client" : "server") +
           (options->simulate ? " backend=simulate" : "") +
           (positional.empty() ? "" : " positional=" + positional.substr(1)) +
           " cmdline=" + GetCommandLineA());
  if (options->client) return rotsim::RunClient(*options, log);
  return RunServerWithBackend(*options, log);
}
