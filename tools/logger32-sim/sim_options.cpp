#include "sim_options.h"

#include <limits>
#include <optional>
#include <string_view>

#include "toolkit/options.h"

namespace logger32sim {

const char* const kUsage =
    "logger32-sim: a stand-in for Logger32 that answers the Logger32-Vexal handshake.\n"
    "\n"
    "Options:\n"
    "  --log FILE           also write every event to FILE (one line each)\n"
    "  --refuse LIST        names to refuse, e.g. 1,2,3 (first reply wParam 0, lParam 0)\n"
    "  --first-reply W,L    first reply to code 1 on other names (default 0,1)\n"
    "  --reply-phase LIST   wParams posted once code 3 arrives (default 3,100)\n"
    "  --hundred-first N    answer the first N code-2s with a 100\n"
    "  --silent             post no handshake reply at all\n"
    "  --hang-after-first MS\n"
    "                       on the first message from the bridge, block MS ms inside the\n"
    "                       window procedure before answering it (a hung Logger32)\n"
    "  --turn AZ[@MS]       post code 101 with AZ, MS ms after code 3 was answered\n"
    "                       (repeatable; MS defaults to 0)\n"
    "  --no-stdin           do not read commands from standard input\n"
    "  --help               show this text\n"
    "\n"
    "Commands (standard input, or WM_COPYDATA with dwData 0x4C333253 'L32S'):\n"
    "  turn AZ              post code 101 with azimuth AZ to the bridge\n"
    "  post W L             post any wParam/lParam on the current name\n"
    "  send W L             send it synchronously instead\n"
    "  close                end the simulator\n"
    "\n"
    "Log lines: MS recv|post|send \"Logger32 K\" wParam=W lParam=L, or MS info TEXT.\n"
    "\n"
    "Exit status: 0 the bridge kept to the handshake protocol; 3 it broke it (each break is\n"
    "logged as \"info protocol violation: ...\"); 64 bad options; 2 no log file; 1 no window.\n";

namespace {

using toolkit::Takes;

const toolkit::OptionSpec kOptions[] = {
    {"--help -h"},
    {"--silent"},
    {"--no-stdin"},
    {"--log", Takes::kValue},
    {"--refuse", Takes::kValues},
    {"--first-reply", Takes::kValue},
    {"--reply-phase", Takes::kValue},
    {"--hundred-first", Takes::kValue},
    {"--hang-after-first", Takes::kValue},
    {"--turn", Takes::kValues},
};

constexpr long kLongMin = std::numeric_limits<long>::min();
constexpr long kLongMax = std::numeric_limits<long>::max();

std::vector<long> Longs(const toolkit::Options& options, std::string_view name) {
  std::vector<long long> numbers = options.Numbers(name, kLongMin, kLongMax);
  return {numbers.begin(), numbers.end()};
}

// AZ[@MS]
ScheduledTurn Turn(const std::string& text) {
  std::string_view rest = text;
  std::size_t at = rest.find('@');
  auto azimuth = toolkit::WholeNumber(rest.substr(0, at), kLongMin, kLongMax);
  std::optional<long long> delay = 0;
  if (at != std::string_view::npos) delay = toolkit::WholeNumber(rest.substr(at + 1), 0, kLongMax);
  if (!azimuth || !delay)
    throw toolkit::UsageError(
        "--turn must be AZ or AZ@MS, whole numbers with MS not negative, not '" + text + "'");
  return {static_cast<long>(*azimuth), static_cast<unsigned>(*delay)};
}

}  // namespace

SimOptions ParseOptions(const std::vector<std::string>& args) {
  toolkit::Options given(args, kOptions);
  SimOptions options;
  options.show_help = given.Has("--help");
  options.silent = given.Has("--silent");
  options.read_stdin = !given.Has("--no-stdin");
  options.log_path = given.NonEmpty("--log");
  for (long long k : given.Numbers("--refuse", 1, 5))
    options.refused_names.insert(static_cast<int>(k));
  if (given.Has("--first-reply")) {
    std::vector<long> reply = Longs(given, "--first-reply");
    if (reply.size() != 2)
      throw toolkit::UsageError("--first-reply must be two numbers W,L, not '" +
                                given.Text("--first-reply") + "'");
    options.first_reply_wparam = reply[0];
    options.first_reply_lparam = reply[1];
  }
  if (given.Has("--reply-phase")) options.reply_phase = Longs(given, "--reply-phase");
  options.hundred_first =
      static_cast<int>(given.Number("--hundred-first", 0, 0, std::numeric_limits<int>::max()));
  options.hang_ms = static_cast<unsigned>(given.Number("--hang-after-first", 0, 1, kLongMax));
  for (const std::string& turn : given.All("--turn")) options.turns.push_back(Turn(turn));
  return options;
}

}  // namespace logger32sim
