// From a turn request posted to the bridge until its target command reaches the rotator server.
// The driver plays the rotator server and the source of status macros itself, so that both ends
// of the path are timed on one clock.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "wire/wire.h"

namespace bench {

struct TurnSettings {
  int count = 500;
  int warmup = 20;
  std::string bridge_title = "Logger32-Vexal";
  std::string bridge_service = wire::kBridgeService;
  std::string logger_message = "Logger32 1";
  std::string rotator_topic = wire::kCommandTopic;
  DWORD greeting_ms = 60000;  // until the bridge has greeted and shown its window
  DWORD timeout_ms = 5000;    // per status macro
  DWORD command_ms = 2000;    // for a command still missing when the status macro returned
  DWORD connect_ms = 10000;
  // After measuring, the rotator server stays up this long for the bridge to close first, as
  // it would on a normal shutdown.
  DWORD linger_ms = 30000;
  // Called once the rotator server's service is registered: the bridge may start then.
  std::function<void(const std::string& service)> on_ready;
};

struct TurnResult {
  // Per turn sample whose command arrived intact: posted request until the command's arrival.
  std::vector<double> turn_micros;
  // Per turn sample: posted request until the status macro's execute was called, the wait for
  // the next status macro that the figure above leaves out.
  std::vector<double> send_gap_micros;
  // The same status macro with no turn request pending, alternating with the turn samples.
  std::vector<double> macro_only_micros;
  int missing = 0;           // no command within command_ms
  int wrong = 0;             // a command other than this request's azimuth
  int after_execute = 0;     // commands that came only after the status macro had returned
  int unexpected = 0;        // commands without a request, or a second one for one request
  int not_acknowledged = 0;  // status macros answered without DDE_FACK
  int unanswered = 0;        // status macros without an answer (reconnected after each)
};

// Called with the figures as soon as they are complete, before the linger.
using TurnReport = std::function<void(const TurnResult&)>;

// The bytes the bridge must send for a turn to `degrees`: tenths, "0", "0", each ending in
// CR LF, then one NUL.
std::string TargetCommandBytes(int degrees);

// The DDE service name of the program at `path`: its file name without the last 4 characters.
// Throws std::runtime_error when no name is left.
std::string ServiceNameOf(const std::string& path);

// Registers the rotator server under this program's own service name, waits for the bridge's
// greeting and window, measures, reports, and then serves until the bridge's window is gone or
// linger_ms have passed. Throws std::runtime_error when the bridge does not greet or appear in
// time, sends a wrong greeting, or its status macros keep going unanswered.
void RunTurnBench(const TurnSettings& settings, const TurnReport& report);

}  // namespace bench
