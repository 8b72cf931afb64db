// Command-line options of the simulator.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rotsim {

enum class Ack { kFack, kBusy, kNotProcessed };
enum class EndMode { kTerminate, kExit };

struct Options {
  bool help = false;
  bool client = false;
  std::optional<std::string> service;  // server: default from the file name; client: wild
  std::optional<std::string> topic;    // default RotServConv (server) or AntDaten (client)
  std::string log;                     // default: environment ROTATOR_SIM_LOG
  // Server mode.
  unsigned register_delay_ms = 0;
  Ack ack = Ack::kFack;
  unsigned end_after = 0;  // 0: never
  EndMode end_mode = EndMode::kTerminate;
  // Client mode.
  std::vector<std::string> macros;  // already unescaped
  std::string script;               // file of macros, one per line
  bool from_stdin = false;
  bool raw = false;  // send macros without the terminating NUL
  unsigned interval_ms = 0;
  unsigned hold_ms = 0;
  // Simulated rotator (server mode with --simulate).
  bool simulate = false;
  unsigned speed_dps = 6;
  unsigned rate_hz = 4;
  unsigned start_degrees = 0;
  unsigned range_mode = 0;
  bool off = false;
  std::optional<std::string> bridge_service;  // default Logger32Vexal
  // Run-time commands (off, on, end, target AZ, quit) from standard input, one per line.
  bool commands_from_stdin = false;
  // Status macros executed synchronously so that the bridge's answers are counted.
  bool confirm = false;
  // Positional arguments: a client that starts us may pass "service topic"; they are logged.
  std::vector<std::string> positional;
};

// Reads argv[1..]; throws toolkit::UsageError for a bad command line.
Options ParseOptions(const std::vector<std::string>& args);

const char* HelpText();

// The service a server registers by default: the program's file name minus its last four
// characters, as a client derives it from the command line.
std::string DefaultServiceName();

}  // namespace rotsim
