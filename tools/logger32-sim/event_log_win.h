// The simulator's record of what it received and posted: one line per event, stamped as every
// tool's event log (toolkit::LineLog), to standard output, to the log file (started afresh and
// flushed at once, so that a test can read it while the simulator runs) and to the window's
// list.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/line_log_win.h"

namespace logger32sim {

class EventLog {
 public:
  explicit EventLog(const std::string& path);
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  bool ok() const { return path_.empty() || file_.enabled(); }
  void set_listener(std::function<void(const std::string&)> listener) {
    listener_ = std::move(listener);
  }

  // "KIND "Logger32 K" wParam=W lParam=L" after the stamp; kind is recv, post or send.
  void Message(const char* kind, int name, WPARAM wparam, LPARAM lparam);
  // "info TEXT".
  void Info(const std::string& text);
  // "info protocol violation: TEXT", counted for the exit status.
  void Violation(const std::string& text);
  int violations() const { return violations_; }

 private:
  void Write(const std::string& line);

  std::string path_;
  toolkit::LineLog file_;
  std::function<void(const std::string&)> listener_;
  int violations_ = 0;
};

}  // namespace logger32sim
