#include "event_log_win.h"

#include <cstdio>

namespace logger32sim {

EventLog::EventLog(const std::string& path)
    : path_(path), file_(path, toolkit::LineLog::Open::kTruncate) {}

void EventLog::Message(const char* kind, int name, WPARAM wparam, LPARAM lparam) {
  // Both numbers are 32-bit on the wire of this protocol; show them as signed.
  char text[128];
  std::snprintf(text, sizeof text, "%s \"Logger32 %d\" wParam=%ld lParam=%ld", kind, name,
                static_cast<long>(static_cast<int>(wparam)),
                static_cast<long>(static_cast<int>(lparam)));
  Write(text);
}

void EventLog::Info(const std::string& text) {
  Write("info " + text);
}

void EventLog::Write(const std::string& line) {
  std::string stamped = file_.Line(line);
  std::printf("%s\n", stamped.c_str());
  std::fflush(stdout);
  if (listener_) listener_(stamped);
}

void EventLog::Violation(const std::string& text) {
  ++violations_;
  Info("protocol violation: " + text);
}

}  // namespace logger32sim
