// Round trips of synchronous DDE executes against any DDE server.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

struct ExecuteTarget {
  std::string service;
  std::string topic;
};

struct ExecuteSettings {
  int count = 2000;
  int warmup = 50;
  DWORD timeout_ms = 5000;
  // How long to keep trying DdeConnect while the server is still starting.
  DWORD connect_ms = 10000;
  // false: the same status macro every time; true: TurningStatusMacro(i) for execute i.
  bool turning = false;
  // Executes in a row on one target before the next target's turn. A window paints a change
  // only once its queue is empty, after the acknowledgement: in a row, the next execute waits
  // for that painting, so each target pays for its own.
  int block = 1;
};

struct ExecuteResult {
  std::vector<double> micros;  // one per answered execute, acknowledged or not
  int non_fack = 0;            // answered without DDE_FACK
  int failed = 0;              // no answer (time-out or broken conversation); reconnected after
};

// One result per target. With several targets the executes take turns, `block` on each, so
// that every target sees the same load of the machine. Throws std::runtime_error when a server does
// not answer the connect within connect_ms, or when its executes keep failing (three in a row),
// so that a dead server never keeps the run waiting.
std::vector<ExecuteResult> RunExecuteBench(const std::vector<ExecuteTarget>& targets,
                                           const ExecuteSettings& settings);

}  // namespace bench
