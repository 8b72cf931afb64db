#include "options.h"

#include <windows.h>

#include <cstdlib>

#include "byte_text.h"
#include "wire/wire.h"

namespace rotsim {

namespace {

bool ParseUnsigned(const std::string& text, unsigned* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (*end != '\0' || text[0] == '-') return false;
  *value = static_cast<unsigned>(v);
  return true;
}

}  // namespace

std::optional<Options> ParseOptions(int argc, char** argv, std::string* error) {
  Options o;
  if (const char* env = std::getenv("ROTATOR_SIM_LOG")) o.log = env;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    auto number = [&](unsigned* out) {
      std::string text;
      if (!value(&text)) return false;
      if (!ParseUnsigned(text, out)) {
        *error = arg + ": not a number: " + text;
        return false;
      }
      return true;
    };
    std::string text;
    if (arg.rfind("--", 0) == 0) o.any_option = true;
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      o.help = true;
    } else if (arg == "--client") {
      o.client = true;
    } else if (arg == "--service") {
      if (!value(&text)) return std::nullopt;
      o.service = text;
    } else if (arg == "--topic") {
      if (!value(&text)) return std::nullopt;
      o.topic = text;
    } else if (arg == "--log") {
      if (!value(&o.log)) return std::nullopt;
    } else if (arg == "--register-delay") {
      if (!number(&o.register_delay_ms)) return std::nullopt;
    } else if (arg == "--ack") {
      if (!value(&text)) return std::nullopt;
      if (text == "fack")
        o.ack = Ack::kFack;
      else if (text == "busy")
        o.ack = Ack::kBusy;
      else if (text == "notprocessed")
        o.ack = Ack::kNotProcessed;
      else {
        *error = "--ack: fack, busy or notprocessed, not " + text;
        return std::nullopt;
      }
    } else if (arg == "--end-after") {
      if (!number(&o.end_after)) return std::nullopt;
    } else if (arg == "--end-mode") {
      if (!value(&text)) return std::nullopt;
      if (text == "terminate")
        o.end_mode = EndMode::kTerminate;
      else if (text == "exit")
        o.end_mode = EndMode::kExit;
      else {
        *error = "--end-mode: terminate or exit, not " + text;
        return std::nullopt;
      }
    } else if (arg == "--exec") {
      if (!value(&text)) return std::nullopt;
      auto bytes = Unescape(text);
      if (!bytes) {
        *error = "--exec: bad escape in " + text;
        return std::nullopt;
      }
      o.macros.push_back(*bytes);
    } else if (arg == "--script") {
      if (!value(&o.script)) return std::nullopt;
    } else if (arg == "--stdin") {
      o.from_stdin = true;
    } else if (arg == "--raw") {
      o.raw = true;
    } else if (arg == "--interval") {
      if (!number(&o.interval_ms)) return std::nullopt;
    } else if (arg == "--hold") {
      if (!number(&o.hold_ms)) return std::nullopt;
    } else if (arg == "--simulate") {
      o.simulate = true;
    } else if (arg == "--speed") {
      if (!number(&o.speed_dps)) return std::nullopt;
    } else if (arg == "--rate") {
      if (!number(&o.rate_hz)) return std::nullopt;
    } else if (arg == "--start") {
      if (!number(&o.start_degrees)) return std::nullopt;
    } else if (arg == "--range-mode") {
      if (!number(&o.range_mode)) return std::nullopt;
    } else if (arg == "--off") {
      o.off = true;
    } else if (arg == "--bridge") {
      if (!value(&text)) return std::nullopt;
      o.bridge_service = text;
    } else if (arg == "--commands") {
      o.commands_from_stdin = true;
    } else if (arg == "--confirm") {
      o.confirm = true;
    } else if (arg.rfind("--", 0) == 0) {
      *error = "unknown option " + arg;
      return std::nullopt;
    } else {
      o.positional.push_back(arg);
    }
  }
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
)";
}

}  // namespace rotsim
