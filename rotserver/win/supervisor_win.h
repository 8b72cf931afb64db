// Keeps the configured rotctld command running beside RotServer: starts it, starts it again
// with growing pauses when it ends or cannot be started, and ends it when RotServer ends. The
// process is in a job that kills it when the job's last handle closes, so it goes with RotServer
// even when RotServer is killed; a process that cannot be put in the job is not started. What it
// prints is read through a pipe by a thread of its own, so the window never waits on it, and
// logged within a budget. A serial port opens for one process at a time: while the settings
// dialog's Test needs the port of a supervised rotctld, that rotctld is paused (RotctldPause).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rotserver/core/byte_log_budget.h"
#include "rotserver/core/child_output.h"
#include "rotserver/core/program_command.h"
#include "rotserver/core/restart_policy.h"
#include "toolkit/job_win.h"
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

  // Every start, exit and failure, and the lines the program printed (within the log's
  // budget, with a line that says how much was left out), for the log.
  std::function<void(const std::string&)> on_event;

 private:
  friend class RotctldPause;
  void Pause();
  void Resume();
  std::optional<std::string> ProgramPath();
  void Start(std::int64_t now);
  void StartFailed(std::int64_t now, const std::string& why);
  void Stop();
  void TakeOutput(std::int64_t now);
  void LogLines(const std::vector<std::string>& lines, std::int64_t now);
  void NoticeEnd(std::int64_t now);
  void Event(const std::string& text) {
    if (on_event) on_event(text);
  }

  std::string command_line_;
  std::optional<ProgramCommand> command_;
  std::string command_error_;  // why the command names no program
  bool command_error_logged_ = false;
  int id_;          // in the list of live supervisors, for RotctldPause
  std::string device_;  // the serial port or host:port its command names; may be empty
  bool paused_ = false;
  toolkit::Job job_;
  winui::KernelHandle process_;
  DWORD pid_ = 0;
  std::shared_ptr<PipeInbox> inbox_;
  ChildOutput output_;
  ByteLogBudget log_budget_;
  std::int64_t ended_at_ = -1;  // when its end was first seen, while the pipe still drains
  RestartPolicy policy_;
  std::int64_t next_start_ = 0;
  std::string last_end_;
};

// While it lives, every supervised rotctld whose command names the serial port (or host:port)
// `device` is ended and not started again (its status "rotctld paused for the Test"); when it
// goes, they start again at their next tick, whatever the Test's outcome. The window's thread
// only, as the supervisors.
class RotctldPause {
 public:
  explicit RotctldPause(const std::string& device);
  ~RotctldPause();
  RotctldPause(const RotctldPause&) = delete;
  RotctldPause& operator=(const RotctldPause&) = delete;

 private:
  std::vector<int> paused_;  // ids of the supervisors it paused
};

}  // namespace rotserver
