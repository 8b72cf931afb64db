#include "stress_options.h"

#include <span>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace stress {

namespace {

using toolkit::OptionSpec;
using toolkit::Takes;

constexpr OptionSpec kOut{"--out", Takes::kValue};
constexpr OptionSpec kService{"--service", Takes::kValue};
constexpr OptionSpec kTopic{"--topic", Takes::kValue};
constexpr OptionSpec kTimeout{"--timeout", Takes::kValue};

const OptionSpec kMacros[] = {{"--count", Takes::kValue},
                              {"--base", Takes::kValue},
                              {"--step", Takes::kValue},
                              {"--direction", Takes::kValue},
                              {"--turn-every", Takes::kValue},
                              {"--window", Takes::kValue},
                              {"--message", Takes::kValue},
                              kTimeout,
                              kService,
                              kTopic,
                              kOut};
const OptionSpec kPayload[] = {{"--head", Takes::kValue},
                               {"--size", Takes::kValue},
                               {"--lines", Takes::kValue},
                               {"--binary", Takes::kValue},
                               {"--no-nul"},
                               kTimeout,
                               kService,
                               kTopic,
                               kOut};
const OptionSpec kTopicLength[] = {{"--length", Takes::kValue}, kService, kTopic, kOut};
const OptionSpec kTurns[] = {{"--count", Takes::kValue},
                             {"--window", Takes::kValue},
                             {"--message", Takes::kValue},
                             {"--modulo", Takes::kValue},
                             kOut};
const OptionSpec kUsageOf[] = {{"--pid", Takes::kValue}, {"--window", Takes::kValue}, kOut};

const std::pair<std::string_view, std::span<const OptionSpec>> kTables[] = {{"macros", kMacros},
                                                                            {"payload", kPayload},
                                                                            {"topic", kTopicLength},
                                                                            {"turns", kTurns},
                                                                            {"usage", kUsageOf}};

}  // namespace

const char* const kUsage =
    "stress: load for the bridge that the simulators cannot make. Results go to standard\n"
    "output and, with --out FILE, are appended to FILE as one line of key=value pairs.\n"
    "\n"
    "  macros --count N [--base T] [--step T] [--direction D] [--timeout MS]\n"
    "         [--turn-every K --window TITLE --message NAME]\n"
    "      N status macros, synchronous, as fast as possible; macro i reports azimuth\n"
    "      base + i*step tenths (mod 3600). With --turn-every, a turn request with azimuth\n"
    "      (7*i/K) mod 361 is posted to the window before every K-th macro (i = 0, K, ...).\n"
    "  payload [--head ESC] [--size N] [--lines N] [--binary N] [--no-nul] [--timeout MS]\n"
    "      one execute: head, then N bytes 'A' (one line), or N-1 lines \"0\" after the\n"
    "      line 1230, or N bytes cycling through 1..255; a NUL ends it unless --no-nul.\n"
    "  topic --length N\n"
    "      connects with a topic of N letters; reports whether a conversation came up.\n"
    "  turns --count N --window TITLE --message NAME [--modulo M]\n"
    "      posts N turn requests (wParam 101, lParam i mod M, default M 361), retrying\n"
    "      while the receiver's queue is full.\n"
    "  usage --pid P | --window TITLE\n"
    "      private bytes (commit charge), working set and handle count of the process.\n"
    "\n"
    "DDE commands take --service (default Logger32Vexal) and --topic (default AntDaten).\n"
    "A bad command line ends the program with exit status 64.\n";

std::optional<Command> ParseCommand(std::vector<std::string> args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help"))
    return std::nullopt;
  std::string name = toolkit::TakeCommand(args, {"macros", "payload", "topic", "turns", "usage"});
  for (const auto& [command, table] : kTables)
    if (command == name) return Command{name, Options(args, table)};
  throw std::logic_error("no options table for " + name);
}

}  // namespace stress
