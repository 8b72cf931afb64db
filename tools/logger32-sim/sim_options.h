// Command line of the simulated Logger32: how it answers the bridge's handshake and which turn
// requests it posts by itself.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace logger32sim {

struct ScheduledTurn {
  long azimuth = 0;
  unsigned delay_ms = 0;  // after the handshake's code 3 was answered
};

struct SimOptions {
  std::string log_path;         // empty: standard output only
  std::set<int> refused_names;  // attempt numbers 1..5 answered with wParam 0, lParam 0
  long first_reply_wparam = 0;  // the reply to code 1 on a name that is not refused
  long first_reply_lparam = 1;
  std::vector<long> reply_phase{3, 100};  // wParams posted, in order, once code 3 arrives
  int hundred_first = 0;                  // how many code-2s are answered with a 100
  bool silent = false;                    // post nothing at all during the handshake
  unsigned hang_ms = 0;  // block this long in the window procedure on the first message
  std::vector<ScheduledTurn> turns;
  bool read_stdin = true;  // take commands from standard input
  bool show_help = false;
};

// Reads argv[1..]; throws toolkit::UsageError for a bad command line.
SimOptions ParseOptions(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace logger32sim
