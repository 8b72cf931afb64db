// Keeps the configured rotctld command running beside RotServer: starts it, starts it again
// with growing pauses when it ends or cannot be started, and ends it when RotServer ends. The
// process is in a job that kills it when the job's last handle closes, so it goes with RotServer
// even when RotServer is killed. What it prints is read through a pipe by a thread of its own,
// so the window never waits on it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "rotserver/core/child_output.h"
#include "rotserver/core/program_command.h"
#include "rotserver/core/restart_policy.h"
#include "winui/gdi_objects_win.h"

namespace rotserver {

struct PipeInbox;  // bytes the reader thread has read, under a lock

class Supervisor {
 public:
  // `command_line`: as typed in the settings, program first (see SplitProgramCommand).
  explicit Supervisor(std::string command_line);
  ~Supervisor();  // ends the process
  Supervisor(const Supervisor&) = delete;
  Supervisor& operator=(const Supervisor&) = delete;

  // Starts the program when it is due, takes what it printed, notices its end. Never waits.
  void Tick(std::int64_t now);

  // In words: why it is not running and when it starts again, or, while it runs, the last
  // error it printed; empty when there is nothing to say.
  std::string Situation(std::int64_t now) const;

  // Every start, exit and failure, and every line the program printed, for the log.
  std::function<void(const std::string&)> on_event;

 private:
  std::optional<std::string> ProgramPath();
  void Start(std::int64_t now);
  void StartFailed(std::int64_t now, const std::string& why);
  void Stop();
  void TakeOutput();
  void NoticeEnd(std::int64_t now);
  void Event(const std::string& text) {
    if (on_event) on_event(text);
  }

  std::string command_line_;
  std::optional<ProgramCommand> command_;
  std::string command_error_;  // why the command names no program
  bool command_error_logged_ = false;
  winui::KernelHandle job_;
  winui::KernelHandle process_;
  DWORD pid_ = 0;
  std::shared_ptr<PipeInbox> inbox_;
  ChildOutput output_;
  std::int64_t ended_at_ = -1;  // when its end was first seen, while the pipe still drains
  RestartPolicy policy_;
  std::int64_t next_start_ = 0;
  std::string last_end_;
};

}  // namespace rotserver
