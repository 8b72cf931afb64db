// The simulator's record of what it received and posted: one line per event, to standard output,
// to the log file (flushed at once, so that a test can read it while the simulator runs) and to
// the window's list.
#pragma once

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

namespace logger32sim {

class EventLog {
 public:
  explicit EventLog(const std::string& path);
  ~EventLog();
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  bool ok() const { return path_.empty() || file_ != nullptr; }
  void set_listener(std::function<void(const std::string&)> listener) {
    listener_ = std::move(listener);
  }

  // "MS KIND "Logger32 K" wParam=W lParam=L"; kind is recv, post or send.
  void Message(const char* kind, int name, WPARAM wparam, LPARAM lparam);
  // "MS info TEXT".
  void Info(const std::string& text);
  // "MS info protocol violation: TEXT", counted for the exit status.
  void Violation(const std::string& text);
  int violations() const { return violations_; }

 private:
  void Write(const std::string& line);

  std::string path_;
  FILE* file_ = nullptr;
  ULONGLONG start_ms_;
  std::function<void(const std::string&)> listener_;
  int violations_ = 0;
};

}  // namespace logger32sim
