#include "sim_options.h"

#include <charconv>
#include <string_view>

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
    "logged as \"info protocol violation: ...\"); 2 bad options; 1 no window.\n";

namespace {

bool ParseLong(std::string_view text, long& value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseLongList(std::string_view text, std::vector<long>& values) {
  values.clear();
  while (true) {
    size_t comma = text.find(',');
    long value;
    if (!ParseLong(text.substr(0, comma), value)) return false;
    values.push_back(value);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

bool ParseTurn(std::string_view text, ScheduledTurn& turn) {
  size_t at = text.find('@');
  long delay = 0;
  if (!ParseLong(text.substr(0, at), turn.azimuth)) return false;
  if (at != std::string_view::npos && (!ParseLong(text.substr(at + 1), delay) || delay < 0))
    return false;
  turn.delay_ms = static_cast<unsigned>(delay);
  return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    auto value = [&](std::string_view& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string_view text;
    std::vector<long> list;
    bool ok = true;
    if (option == "--help" || option == "-h") {
      options.show_help = true;
    } else if (option == "--silent") {
      options.silent = true;
    } else if (option == "--no-stdin") {
      options.read_stdin = false;
    } else if (option == "--log") {
      ok = value(text) && !text.empty();
      if (ok) options.log_path = text;
    } else if (option == "--refuse") {
      ok = value(text) && ParseLongList(text, list);
      for (long k : list) {
        if (k < 1 || k > 5) ok = false;
        options.refused_names.insert(static_cast<int>(k));
      }
    } else if (option == "--first-reply") {
      ok = value(text) && ParseLongList(text, list) && list.size() == 2;
      if (ok) options.first_reply_wparam = list[0], options.first_reply_lparam = list[1];
    } else if (option == "--reply-phase") {
      ok = value(text) && ParseLongList(text, options.reply_phase);
    } else if (option == "--hundred-first") {
      long n = 0;
      ok = value(text) && ParseLong(text, n) && n >= 0;
      options.hundred_first = static_cast<int>(n);
    } else if (option == "--hang-after-first") {
      long ms = 0;
      ok = value(text) && ParseLong(text, ms) && ms > 0;
      options.hang_ms = static_cast<unsigned>(ms);
    } else if (option == "--turn") {
      ScheduledTurn turn;
      ok = value(text) && ParseTurn(text, turn);
      if (ok) options.turns.push_back(turn);
    } else {
      error = "unknown option " + option;
      return false;
    }
    if (!ok) {
      error = "bad or missing value for " + option;
      return false;
    }
  }
  return true;
}

}  // namespace logger32sim
