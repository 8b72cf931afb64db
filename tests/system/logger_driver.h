// The test driver for the simulated Logger32 (logger32-sim.exe): starts it in a test's job, reads
// back what it logged, and gives it commands while it runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "harness.h"

namespace logger_test {

// One "recv", "post" or "send" line of the simulator's log.
struct SimEvent {
  long ms = 0;  // since the log's first line
  std::string kind;
  int name = 0;  // attempt number of "Logger32 K"
  long wparam = 0;
  long lparam = 0;
};

// The message lines of a log, in order; "info" lines and anything unreadable are skipped.
std::vector<SimEvent> ParseSimLog(const std::vector<std::string>& lines);

// The events the simulator received, in order.
std::vector<SimEvent> Received(const std::vector<SimEvent>& events);

// "K:W" for each event of `kind`, blank-separated, e.g. "1:1 1:2 1:3"; lParams are left out
// because the request's lParam is a window handle.
std::string Codes(const std::vector<SimEvent>& events, const std::string& kind = "recv");

class LoggerDriver {
 public:
  // Starts the simulator with `args` (log file and --no-stdin added) and waits for its window.
  LoggerDriver(harness::Job& job, const std::string& dir, const std::string& args = "");

  HWND window() const { return window_; }
  harness::Child& process() { return child_; }
  const std::string& log_path() const { return log_path_; }

  std::vector<SimEvent> Events() const;
  std::vector<std::string> LogLines() const { return harness::ReadLines(log_path_); }
  std::string ReceivedCodes() const { return Codes(Events(), "recv"); }

  // Runs a command line ("turn 245", "post 3 0", "close") through WM_COPYDATA.
  bool Command(const std::string& line) const;

  // Waits until the log holds an event of `kind` with this wParam.
  bool WaitFor(const std::string& kind, long wparam, harness::Millis timeout) const;

 private:
  std::string log_path_;
  harness::Child child_;
  HWND window_ = nullptr;
};

}  // namespace logger_test
