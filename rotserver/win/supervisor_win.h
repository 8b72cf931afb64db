// Keeps the configured rotctld command running beside RotServer: starts it, starts it again
// with growing pauses when it ends, and ends it when RotServer ends. The process is in a job
// that kills it when the job's last handle closes, so it goes with RotServer even when RotServer
// is killed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "rotserver/core/restart_policy.h"

namespace rotserver {

class Supervisor {
 public:
  // `command_line`: program path first, as typed in the settings.
  explicit Supervisor(std::string command_line);
  ~Supervisor();  // ends the process
  Supervisor(const Supervisor&) = delete;
  Supervisor& operator=(const Supervisor&) = delete;

  // Starts the program when it is due, notices its end. Never waits.
  void Tick(std::int64_t now);

  bool running() const { return process_ != nullptr; }
  DWORD pid() const { return pid_; }
  // Why it is not running and when it starts again, in words; empty while it runs.
  std::string Situation(std::int64_t now) const;

  // Every start, exit and failure, in words, for the log.
  std::function<void(const std::string&)> on_event;

 private:
  void Start(std::int64_t now);
  void Stop();
  void Event(const std::string& text) {
    if (on_event) on_event(text);
  }

  std::string command_line_;
  HANDLE job_ = nullptr;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  RestartPolicy policy_;
  std::int64_t next_start_ = 0;
  std::string last_end_;
};

}  // namespace rotserver
