// Server mode: the rotator server's DDE service with its command topic.
#pragma once

#include "options_win.h"
#include "toolkit/line_log_win.h"

#include <string_view>

namespace rotsim {

// Receives the bytes of every execute on the command topic (the simulated rotator).
class CommandSink {
 public:
  virtual ~CommandSink() = default;
  virtual void Command(std::string_view bytes) = 0;
  // False once the bridge has refused a status macro.
  virtual bool PartnerBehaved() const { return true; }
};

// Runs until the process is ended, until a "quit" command, or (with --end-mode exit) until
// the conversation ended. Returns 0 when the partner behaved: every command a greeting or a
// well-formed target command and (see CommandSink) every status macro taken; 3 otherwise.
int RunServer(const Options& options, toolkit::LineLog& log, CommandSink* sink = nullptr);

// From a run-time command: end the current command conversation as --end-mode says.
void RequestEndConversation();

}  // namespace rotsim
