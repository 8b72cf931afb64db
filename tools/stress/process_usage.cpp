#include "process_usage.h"

#include <psapi.h>

namespace stress {

std::optional<ProcessUsage> MeasureProcess(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  ProcessUsage usage;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters) ||
      !GetProcessHandleCount(process, &usage.handles))
    return std::nullopt;
  usage.private_bytes = counters.PrivateUsage;
  return usage;
}

int RunUsage(const Command& command, Report& report) {
  bool bad = false;
  const long long pid = command.Number("pid", 0, &bad);
  if (bad || pid <= 0) {
    report.Add("error", "bad-pid");
    return 3;
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                               static_cast<DWORD>(pid));
  if (!process) {
    report.Add("error", "cannot-open");
    return 1;
  }
  auto usage = MeasureProcess(process);
  CloseHandle(process);
  if (!usage) {
    report.Add("error", "cannot-measure");
    return 1;
  }
  report.Add("private", static_cast<long long>(usage->private_bytes))
      .Add("handles", static_cast<long long>(usage->handles));
  return 0;
}

}  // namespace stress
