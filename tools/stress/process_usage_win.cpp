#include "process_usage_win.h"

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
  // Wine reports no PrivateUsage for another process, only the commit charge, which on
  // Windows is the same number.
  usage.private_bytes = counters.PrivateUsage > counters.PagefileUsage ? counters.PrivateUsage
                                                                       : counters.PagefileUsage;
  usage.working_set = counters.WorkingSetSize;
  return usage;
}

int RunUsage(const Options& options, Report& report) {
  long long pid = options.Number<DWORD>("--pid", 0);
  if (options.Has("--window")) {
    DWORD owner = 0;
    if (HWND window = FindWindowA(nullptr, options.Text("--window").c_str()))
      GetWindowThreadProcessId(window, &owner);
    pid = owner;
  }
  if (pid == 0) {
    report.Add("error", "no-process");
    return 3;
  }
  HANDLE process =
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(pid));
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
  report.Add("pid", pid)
      .Add("private", static_cast<long long>(usage->private_bytes))
      .Add("working-set", static_cast<long long>(usage->working_set))
      .Add("handles", static_cast<long long>(usage->handles));
  return 0;
}

}  // namespace stress
