// Server mode: the rotator server's DDE service with its command topic.
#pragma once

#include "options.h"
#include "sim_log.h"

namespace rotsim {

// Runs until the process is ended (or, with --end-mode exit, until the conversation ended).
int RunServer(const Options& options, SimLog& log);

}  // namespace rotsim
