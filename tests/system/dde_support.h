// Helpers for the DDE tests: running the simulated rotator server in its client and server
// modes and reading what it logged.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "harness.h"

namespace ddetest {

std::string Quote(const std::string& path);
std::string SimPath();

struct SimRun {
  bool finished = false;
  DWORD exit_code = 0;
  std::vector<std::string> log;
};

// Runs rotator-sim with `args` (plus --log) to its end while this thread keeps handling
// messages, so that a DDE server in this process can answer it.
SimRun RunSim(harness::Job& job, const std::string& args, const std::string& log_path);

// Starts rotator-sim as a server and waits until it has registered its service.
std::unique_ptr<harness::Child> StartSimServer(harness::Job& job, const std::string& args,
                                               const std::string& log_path);

// Log lines that contain `needle`.
std::vector<std::string> LinesWith(const std::vector<std::string>& lines,
                                   const std::string& needle);
// The value of "key=" in a log line, up to the next blank (or the end).
std::string Field(const std::string& line, const std::string& key);
// "result=" values of a client log's executes, in order.
std::vector<std::string> ExecuteResults(const std::vector<std::string>& log);
// "hex=" values of a server log's executes, in order.
std::vector<std::string> ReceivedHex(const std::vector<std::string>& log);

// Starts the bridge (or a copy of it) and waits until its window is visible: its executes
// are only answered once its message loop runs.
std::unique_ptr<harness::Child> StartBridge(harness::Job& job, const std::string& exe_path);

// Ends every rotator-sim that logged its start to this log.
void KillLoggedStarts(const std::string& log_path);

bool FileExists(const std::string& path);

}  // namespace ddetest
