#include "stress_options.h"

#include <cstdlib>
#include <set>

namespace stress {

namespace {
const std::set<std::string> kFlags = {"--no-nul"};
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
    "DDE commands take --service (default Logger32Vexal) and --topic (default AntDaten).\n";

std::string Command::Text(const std::string& key, const std::string& fallback) const {
  auto it = values.find(key);
  return it == values.end() ? fallback : it->second;
}

long long Command::Number(const std::string& key, long long fallback, bool* bad) const {
  auto it = values.find(key);
  if (it == values.end()) return fallback;
  char* end = nullptr;
  long long v = std::strtoll(it->second.c_str(), &end, 10);
  if (it->second.empty() || *end != '\0') *bad = true;
  return v;
}

std::optional<Command> ParseCommand(int argc, char** argv, std::string* error) {
  if (argc < 2) {
    *error = "no command";
    return std::nullopt;
  }
  Command command;
  command.name = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string key = argv[i];
    if (key.rfind("--", 0) != 0) {
      *error = "unexpected argument " + key;
      return std::nullopt;
    }
    if (kFlags.count(key)) {
      command.values[key.substr(2)] = "1";
      continue;
    }
    if (i + 1 >= argc) {
      *error = key + " needs a value";
      return std::nullopt;
    }
    command.values[key.substr(2)] = argv[++i];
  }
  return command;
}


}  // namespace stress
