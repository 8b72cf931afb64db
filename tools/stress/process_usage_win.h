// Memory and handles of another process, as the soak compares them before and after.
#pragma once

#include <windows.h>

#include <optional>

#include "report.h"
#include "stress_options.h"

namespace stress {

struct ProcessUsage {
  unsigned long long private_bytes = 0;
  unsigned long long working_set = 0;
  unsigned long handles = 0;  // Wine reports 0 for another process
};

std::optional<ProcessUsage> MeasureProcess(HANDLE process);

int RunUsage(const Options& options, Report& report);

}  // namespace stress
