// RotServer.exe from outside, as the bridge and an operator meet it: its settings stored the way
// its dialog stores them, the program started with an event log, a stand-in for the bridge in
// this process (the status topic "AntDaten" served, target commands executed on "RotServConv"),
// and a scripted stand-in for rotctld (tests/system/stand_in_rotctld.py, a Linux program that
// this Windows test starts and directs over a loopback control port).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rotserver/core/settings.h"
#include "harness.h"
#include "loopback_socket.h"
#include "dde/client_win.h"
#include "rotserver/win/dde_link_win.h"

namespace rstest {

std::string RotServerPath();
// The Unix path of a Windows one (Wine's drive mapping); empty when there is none.
std::string UnixPath(const std::string& windows_path);

// A Linux stand-in (a Python script) and its control link, told to quit when this ends.
class LinuxStandIn {
 public:
  LinuxStandIn() = default;
  ~LinuxStandIn();
  LinuxStandIn(const LinuxStandIn&) = delete;
  LinuxStandIn& operator=(const LinuxStandIn&) = delete;

  // Runs `command_line`, waits up to `wait` for it to write "PORT CONTROL_PORT" into
  // `port_file` and connects to its control port (5 s reads). False when any of that failed.
  bool Start(std::string command_line, const std::string& port_file, std::chrono::seconds wait);
  // The port it serves; 0 until it has started.
  unsigned port() const { return port_; }
  // Sends `tag` and `line` as one control line and returns the first answer that begins with
  // `tag`, without it: a tag lets an answer that came too late for an earlier line be skipped.
  std::string Ask(const std::string& line, const std::string& tag = {});

 private:
  unsigned port_ = 0;
  std::unique_ptr<harness::LoopbackSocket> control_;
  std::string buffer_;
};

// Stores `settings` in HKCU\Software\Vexal as the settings dialog does.
void StoreSettings(const rotserver::Settings& settings);
rotserver::Settings RotctldSettings(const std::string& address, int poll_ms = 1000);

// RotServer.exe started with --log in `job`, its DDE service registered.
class RotServer {
 public:
  RotServer(harness::Job& job, const std::string& log_path, WORD show = SW_SHOWNORMAL);
  DWORD pid() const { return child_.pid(); }
  harness::Child& process() { return child_; }
  std::vector<std::string> Log() const { return harness::ReadLines(log_path_); }
  bool WaitLog(const std::string& needle, harness::Millis timeout) const;
  HWND window() const;  // its top-level window "RotServer"
  std::string ChildText(int id) const;
  // WM_CLOSE to its window; true when the process ended.
  bool Close(harness::Millis timeout);

 private:
  std::string log_path_;
  harness::Child child_;
};

// The bridge's DDE side played by this process: receives status macros on "AntDaten" under
// the bridge's service "Logger32Vexal" and executes target commands on RotServer's topic. It
// shows a hidden window of the bridge's class "TForm6", the sign RotServer looks for before it
// looks for the service.
class FakeBridge {
 public:
  FakeBridge();
  ~FakeBridge();
  FakeBridge(const FakeBridge&) = delete;
  FakeBridge& operator=(const FakeBridge&) = delete;

  // The status macros received so far, each as its lines (line 1 the azimuth in tenths).
  const std::vector<std::vector<std::string>>& macros() const { return macros_; }
  // Waits until a macro's line 1 is `tenths`.
  bool WaitAzimuth(int tenths, harness::Millis timeout);
  // Line 1 of the latest macro; nothing before the first.
  std::optional<int> LatestAzimuth() const;
  // Connects to RotServer's "RotServConv" (once) and executes `bytes` synchronously; true when
  // acknowledged.
  bool Execute(const std::string& bytes);
  // A target command as the bridge sends it: "2450" CR LF "0" CR LF "0" CR LF NUL.
  bool SendTarget(int tenths);
  // Why the last Execute or SendTarget failed, in words.
  const std::string& failure() const { return failure_; }

 private:
  HWND window_ = nullptr;
  std::unique_ptr<rotserver::CommandServer> status_;
  std::vector<std::vector<std::string>> macros_;
  ddeml::Client client_{"RotServer", "RotServConv"};
  std::string failure_;
};

// One command line the stand-in received: when (ms since it started) and what.
struct Received {
  long ms = 0;
  std::string line;
};

class StandInRotctld {
 public:
  explicit StandInRotctld(const std::string& dir);  // starts it; port() 0 when that failed
  StandInRotctld(const StandInRotctld&) = delete;
  StandInRotctld& operator=(const StandInRotctld&) = delete;

  unsigned port() const { return link_.port(); }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port()); }
  // One control line ("set slow_p=1000", "position", ...) and its one-line answer.
  std::string Control(const std::string& line) { return link_.Ask(line); }
  bool Set(const std::string& assignments) { return Control("set " + assignments) == "ok"; }
  std::vector<Received> ReceivedLines();
  // Received lines that begin with `prefix` ("+P", "+p").
  std::vector<Received> ReceivedWith(const std::string& prefix);
  int Connections();

 private:
  LinuxStandIn link_;
};

// The first number of a "+P az el" line.
double SetPosAzimuth(const std::string& line);

// A test of RotServer: a folder of its own, no stored settings before or after, and a job that
// ends whatever the test started.
class RotServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  harness::Job job_;
  std::string dir_;
};

// A test of RotServer in front of the scripted stand-in for rotctld, with this process as the
// bridge.
class StandInTest : public RotServerTest {
 protected:
  void SetUp() override;

  std::unique_ptr<StandInRotctld> stand_in_;
  FakeBridge bridge_;
  std::unique_ptr<RotServer> server_;
};

}  // namespace rstest
