// DDE client load on the bridge's "AntDaten": status macros at full speed (with turn
// requests in between for the soak), single executes of odd sizes and bytes, long topics.
#pragma once

#include "report.h"
#include "stress_options.h"

namespace stress {

int RunMacros(const Options& options, Report& report);
int RunPayload(const Options& options, Report& report);
int RunTopic(const Options& options, Report& report);

}  // namespace stress
