// A rotctld run for the settings dialog, never the one RotServer keeps: "rotctld -l" for the
// model list, and the Test, which starts rotctld with the chosen fields on a spare loopback
// port, reads its state and one position, and ends it. Every wait is bounded; a Test sends
// no command that moves the rotator.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "rotserver/core/rotator_models.h"
#include "rotserver/core/rotctld_command.h"
#include "rotserver/core/settings.h"

namespace rotserver {

// Set from another thread to end a run or a Test at once (a manual-reset event).
class CancelSignal {
 public:
  CancelSignal() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~CancelSignal() {
    if (event_) CloseHandle(event_);
  }
  CancelSignal(const CancelSignal&) = delete;
  CancelSignal& operator=(const CancelSignal&) = delete;
  void Set() {
    if (event_) SetEvent(event_);
  }
  void Reset() {
    if (event_) ResetEvent(event_);
  }
  bool IsSet() const { return event_ && WaitForSingleObject(event_, 0) == WAIT_OBJECT_0; }
  HANDLE handle() const { return event_; }

 private:
  HANDLE event_;
};

struct CapturedRun {
  bool started = false;
  std::string error;  // why it could not start, in words, naming the program
  std::string output;  // standard output and error together, at most the limit's worth
  bool timed_out = false;  // ended by the time limit
  bool too_long = false;   // ended when it had printed more than the limit
  bool cancelled = false;
  unsigned long exit_code = 0;
};
// Runs `command_line` (program path first, quoted, never searched) with its output captured,
// for at most `timeout_ms` and `max_bytes` of output; the program is ended when it has not
// finished by then, or when `cancel` is set.
CapturedRun RunCaptured(const std::string& program, const std::string& command_line,
                        unsigned timeout_ms, std::size_t max_bytes, const CancelSignal& cancel);

// The controllers a rotctld knows, from its "-l": read for at most kListTimeoutMs and
// kListMaxBytes (a real list is a few kB, printed at once), ended at once by `cancel`.
inline constexpr unsigned kListTimeoutMs = 5000;
inline constexpr std::size_t kListMaxBytes = 4 * 1024 * 1024;
struct ModelList {
  std::vector<RotatorModel> models;
  std::string problem;  // why there are none, in one sentence cut to a readable length
};
ModelList ReadModelList(const std::string& rotctld_path, const CancelSignal& cancel);

// A TCP port on 127.0.0.1 that nothing listens on now; 0 when none could be had.
int SpareLoopbackPort();

// The Test of the settings dialog, for `settings` with a chosen model (`model_name` names it in
// the answer). Takes at most about `budget_ms`; ends at once, its rotctld with it, when
// `cancel` is set.
TestOutcome TestRotctld(const Settings& settings, const std::string& model_name,
                        const CancelSignal& cancel, unsigned budget_ms = 8000);

}  // namespace rotserver
