// Client mode: connects to a service and topic and executes macros, logging every result.
#pragma once

#include "options_win.h"
#include "toolkit/line_log_win.h"

namespace rotsim {

// 0: all acknowledged; 1: no connection or bad input; 2: some execute not acknowledged.
int RunClient(const Options& options, toolkit::LineLog& log);

}  // namespace rotsim
