// A rotctld run for the settings dialog, never the one RotServer keeps: "rotctld -l" for the
// model list, and the Test, which starts rotctld with the chosen fields on a spare loopback
// port, reads its state and one position, and ends it. Every wait is bounded; a Test sends
// no command that moves the rotator.
#pragma once

#include <string>

#include "rotserver/core/rotctld_setup.h"
#include "rotserver/core/settings.h"

namespace rotserver {

struct CapturedRun {
  bool started = false;
  std::string error;   // why it could not start, in words, naming the program
  std::string output;  // standard output and error together
};
// Runs `command_line` (program path first) with its output captured, for at most `timeout_ms`;
// the program is ended when it has not finished by then.
CapturedRun RunCaptured(const std::string& command_line, unsigned timeout_ms);

// A TCP port on 127.0.0.1 that nothing listens on now; 0 when none could be had.
int SpareLoopbackPort();

// The Test of the settings dialog, for `settings` with a chosen model (`model_name` names it in
// the answer). Takes at most about `budget_ms`.
TestOutcome TestRotctld(const Settings& settings, const std::string& model_name,
                        unsigned budget_ms = 8000);

}  // namespace rotserver
