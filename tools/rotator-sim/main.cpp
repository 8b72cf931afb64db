// rotator-sim: the rotator server's side of the bridge's DDE link, for tests and trials. As a
// server it offers the command topic and logs every execute byte for byte; as a client it
// executes macros on the bridge's status topic.
#include <windows.h>

#include <cstdio>
#include <string>

#include "client_mode.h"
#include "options.h"
#include "server_mode.h"
#include "sim_log.h"
#include "simulator.h"

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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  std::string error;
  auto options = rotsim::ParseOptions(__argc, __argv, &error);
  if (!options) {
    PrintToParentConsole("rotator-sim: " + error + " (see --help)\n");
    return 64;
  }
  if (options->help) {
    PrintToParentConsole(rotsim::HelpText());
    return 0;
  }
  rotsim::SimLog log(options->log);
  std::string positional;
  for (const auto& p : options->positional) positional += " " + p;
  log.Line("start pid=" + std::to_string(GetCurrentProcessId()) + " show=" + std::to_string(show) +
           " startup-show=" + std::to_string(StartShowCommand()) +
           " mode=" + (options->client ? "client" : "server") +
           (positional.empty() ? "" : " positional=" + positional.substr(1)) +
           " cmdline=" + GetCommandLineA());
  if (options->client) return rotsim::RunClient(*options, log);
  if (!options->simulate) return rotsim::RunServer(*options, log);
  rotsim::RotatorSim rotator(*options, log);
  rotator.Start();
  return rotsim::RunServer(*options, log, &rotator);
}
