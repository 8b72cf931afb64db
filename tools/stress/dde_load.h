// DDE client load on the bridge's "AntDaten": status macros at full speed (with turn
// requests in between for the soak), single executes of odd sizes and bytes, long topics.
#pragma once

#include "report.h"
#include "stress_options.h"

namespace stress {

int RunMacros(const Command& command, Report& report);
int RunPayload(const Command& command, Report& report);
int RunTopic(const Command& command, Report& report);

}  // namespace stress
