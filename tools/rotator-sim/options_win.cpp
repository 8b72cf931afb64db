#include "options_win.h"

#include <windows.h>

#include <cstdlib>

#include "toolkit/byte_text.h"
#include "toolkit/options.h"
#include "wire/wire.h"

namespace rotsim {

namespace {

using toolkit::Takes;

const toolkit::OptionSpec kOptions[] = {
    {"--help -h /?"},
    {"--client"},
    {"--service", Takes::kValue},
    {"--topic", Takes::kValue},
    {"--log", Takes::kValue},
    {"--register-delay", Takes::kValue},
    {"--ack", Takes::kValue},
    {"--end-after", Takes::kValue},
    {"--end-mode", Takes::kValue},
    {"--exec", Takes::kValues},
    {"--script", Takes::kValue},
    {"--stdin"},
    {"--raw"},
    {"--interval", Takes::kValue},
    {"--hold", Takes::kValue},
    {"--simulate"},
    {"--speed", Takes::kValue},
    {"--rate", Takes::kValue},
    {"--start", Takes::kValue},
    {"--range-mode", Takes::kValue},
    {"--off"},
    {"--bridge", Takes::kValue},
    {"--commands"},
    {"--confirm"},
};

std::optional<std::string> Maybe(const toolkit::Options& given, std::string_view name) {
  if (!given.Has(name)) return std::nullopt;
  return given.Text(name);
}

std::vector<std::string> Macros(const toolkit::Options& given) {
  std::vector<std::string> macros;
  for (const std::string& text : given.All("--exec")) {
    auto bytes = toolkit::Unescape(text);
    if (!bytes) throw toolkit::UsageError("--exec has a bad escape in '" + text + "'");
    macros.push_back(*bytes);
  }
  return macros;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  toolkit::Options given(args, kOptions, toolkit::Others::kWords);
  Options o;
  if (const char* env = std::getenv("ROTATOR_SIM_LOG")) o.log = env;
  o.help = given.Has("--help");
  o.client = given.Has("--client");
  o.service = Maybe(given, "--service");
  o.topic = Maybe(given, "--topic");
  o.log = given.Text("--log", o.log);
  o.register_delay_ms = given.Number("--register-delay", o.register_delay_ms);
  o.ack = given.Choice(
      "--ack", {{"fack", Ack::kFack}, {"busy", Ack::kBusy}, {"notprocessed", Ack::kNotProcessed}},
      o.ack);
  o.end_after = given.Number("--end-after", o.end_after);
  o.end_mode = given.Choice(
      "--end-mode", {{"terminate", EndMode::kTerminate}, {"exit", EndMode::kExit}}, o.end_mode);
  o.macros = Macros(given);
  o.script = given.Text("--script");
  o.from_stdin = given.Has("--stdin");
  o.raw = given.Has("--raw");
  o.interval_ms = given.Number("--interval", o.interval_ms);
  o.hold_ms = given.Number("--hold", o.hold_ms);
  o.simulate = given.Has("--simulate");
  o.speed_dps = given.Number("--speed", o.speed_dps);
  o.rate_hz = given.Number("--rate", o.rate_hz);
  o.start_degrees = given.Number("--start", o.start_degrees);
  o.range_mode = given.Number("--range-mode", o.range_mode);
  o.off = given.Has("--off");
  o.bridge_service = Maybe(given, "--bridge");
  o.commands_from_stdin = given.Has("--commands");
  o.confirm = given.Has("--confirm");
  o.positional = given.words();
  return o;
}

std::string DefaultServiceName() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return wire::RotatorServiceName(std::string(path, n));
}

const char* HelpText() {
  return R"(rotator-sim: the rotator server's side of the DDE link for tests: fault injection, a macro
injector and a simulated rotator.

Server mode (default): registers a DDE service with one topic and logs every execute.
  --service NAME         service name (default: this program's file name without its
                         last 4 characters, e.g. "rotator-sim")
  --topic NAME           topic offered (default RotServConv; letter case ignored)
  --register-delay MS    register the service only MS milliseconds after start
  --ack fack|busy|notprocessed
                         answer to every execute (default fack)
  --end-after N          end the conversation after the N-th execute
  --end-mode terminate|exit
                         terminate: post WM_DDE_TERMINATE to the client (default);
                         exit: withdraw the service, leave DDE and exit
  Other arguments are accepted and logged (a client may start us as "service topic").

Simulated rotator (with server mode): turns toward the last target command and executes
10-line status macros on the bridge's topic "AntDaten".
  --simulate
  --speed DEG            degrees per second (default 6)
  --rate N               status macros per second (default 4)
  --start DEG            azimuth at start (default 0)
  --range-mode N         value of status line 7 (default 0)
  --off                  report the rotator off (line 1 = -100000)
  --bridge NAME          the bridge's service (default Logger32Vexal)
  Run-time commands, by WM_COPYDATA to the window of class "RotatorSimControl" (title
  "rotator-sim PID") or, with --commands, from standard input, one per line:
    off | on             report the rotator off (line 1 = -100000) or on again
    target DEG           turn toward DEG (degrees, as a target command would)
    end                  end the command conversation (as --end-mode says)
    quit                 leave with the exit status below
  --commands             read the run-time commands from standard input
  --confirm              execute status macros synchronously (2 s), counting the bridge's
                         answers; without it they are asynchronous and their answers unseen
  Exit status: 0 every status macro was taken (and, with --confirm, acknowledged) and every
  command was a greeting or a well-formed target command; 3 otherwise.

A real rotator is RotServer's job (rotserver/, RotServer.exe), not this tool's.

Client mode: connects and executes macros, logging each result.
  --client
  --service NAME         service to connect to (absent or empty: any service)
  --topic NAME           topic (default AntDaten)
  --exec TEXT            a macro; escapes \r \n \t \0 \\ \xHH; repeatable
  --script FILE          macros from a file, one per line, same escapes
  --stdin                macros from standard input, one per line, same escapes
  --raw                  send each macro exactly as given (default: one NUL appended)
  --interval MS          pause between executes (messages are still handled)
  --hold MS              keep the conversation open MS milliseconds after the last one
  Exit code: 0 all acknowledged, 1 no connection, 2 some execute not acknowledged.

Both:
  --log FILE             log file, appended (default: environment ROTATOR_SIM_LOG)
  --help                 this text
  A bad command line ends the program with exit status 64.
)";
}

}  // namespace rotsim
