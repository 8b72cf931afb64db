// Server mode: the rotator server's DDE service with its command topic.
#pragma once

#include "options.h"
#include "sim_log.h"

#include <string_view>

namespace rotsim {

// Receives the bytes of every execute on the command topic (the simulated rotator).
class CommandSink {
 public:
  virtual ~CommandSink() = default;
  virtual void Command(std::string_view bytes) = 0;
};

// Runs until the process is ended (or, with --end-mode exit, until the conversation ended).
int RunServer(const Options& options, SimLog& log, CommandSink* sink = nullptr);

}  // namespace rotsim
