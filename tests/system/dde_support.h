// Helpers for the DDE tests: the bridge's DDE components in the test process, running the
// simulated rotator server in its client and server modes, and reading what it logged.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bridge/dde/dde_mgr_win.h"
#include "bridge/dde/dde_server_conv_win.h"
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

// Every DDE test: a job for the programs it starts and a folder of its own.
class DdeTest : public ::testing::Test {
 protected:
  DdeTest() : dir_(harness::TestDir()) {}

  std::string dir_;
  harness::Job job_;
};

// This process plays the bridge: its DDE instance and its topic "AntDaten", whose macros are
// kept in order.
class BridgeDdeTest : public DdeTest {
 protected:
  using Lines = std::vector<std::string>;

  BridgeDdeTest();

  // rotator-sim simulating a rotator that reports here, once it has registered its service.
  void StartRotator(const std::string& options, const std::string& log_name = "rotator.log");
  // Waits until the last status macro reports the azimuth `tenths`.
  bool SawAzimuth(const std::string& tenths, harness::Millis timeout = std::chrono::seconds(20));
  // The direction (third line) of each status macro from number `from` on.
  Lines DirectionsSince(std::size_t from) const;

  // The service this program's DDE instance registers: its file name (system_tests.exe) up
  // to the first dot. Every client run below that reaches this process shows it.
  static constexpr const char* kService = "system_tests";

  vexal::dde::TDdeMgr mgr_;
  vexal::dde::TDdeServerConv status_;
  std::vector<Lines> macros_;
  std::unique_ptr<harness::Child> rotator_;
};

}  // namespace ddetest
