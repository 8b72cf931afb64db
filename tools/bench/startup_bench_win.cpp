#include "startup_bench_win.h"

#include <psapi.h>

#include <stdexcept>

namespace bench {

namespace {

class ProcessHandles {
 public:
  explicit ProcessHandles(const PROCESS_INFORMATION& pi) : pi_(pi) {}
  ~ProcessHandles() {
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  ProcessHandles(const ProcessHandles&) = delete;
  ProcessHandles& operator=(const ProcessHandles&) = delete;
  HANDLE process() const { return pi_.hProcess; }
  DWORD pid() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_;
};

struct WindowSearch {
  const std::string* title;
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<WindowSearch*>(lp);
  if (!IsWindowVisible(hwnd)) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (search->pid && owner != search->pid) return TRUE;
  char text[256];
  int n = GetWindowTextA(hwnd, text, sizeof text);
  if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text, n, search->title->c_str(),
                     static_cast<int>(search->title->size())) != CSTR_EQUAL)
    return TRUE;
  search->found = hwnd;
  return FALSE;
}

double Millis(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& freq) {
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1e3 /
         static_cast<double>(freq.QuadPart);
}

}  // namespace

HWND FindVisibleWindow(const std::string& title, DWORD pid) {
  WindowSearch search{&title, pid, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

StartupSample MeasureStartup(const StartupSettings& settings) {
  std::string cmdline = "\"" + settings.exe + "\"";
  if (!settings.args.empty()) cmdline += " " + settings.args;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER freq, start, now;
  QueryPerformanceFrequency(&freq);
  // Wine has been seen to fail the first start of a session with an internal error; a second
  // try succeeds, and the failed try ends before the clock is restarted.
  for (int attempt = 1;; ++attempt) {
    QueryPerformanceCounter(&start);
    if (CreateProcessA(nullptr, cmdline.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi))
      break;
    DWORD error = GetLastError();
    if (attempt == 3 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      throw std::runtime_error("cannot start '" + settings.exe + "' (error " +
                               std::to_string(error) + ")");
    Sleep(500);
  }
  ProcessHandles process(pi);

  HWND hwnd = nullptr;
  ULONGLONG deadline = GetTickCount64() + settings.window_timeout_ms;
  while (!(hwnd = FindVisibleWindow(settings.title, process.pid()))) {
    if (WaitForSingleObject(process.process(), 1) == WAIT_OBJECT_0)
      throw std::runtime_error("'" + settings.exe + "' ended before showing '" + settings.title +
                               "'");
    if (GetTickCount64() >= deadline) {
      TerminateProcess(process.process(), 1);
      WaitForSingleObject(process.process(), 5000);
      throw std::runtime_error("no window '" + settings.title + "' within " +
                               std::to_string(settings.window_timeout_ms) + " ms");
    }
  }
  QueryPerformanceCounter(&now);

  StartupSample sample;
  sample.millis = Millis(start, now, freq);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(process.process(), &counters, sizeof counters))
    sample.peak_ws_kib = static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;

  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.process(), settings.close_timeout_ms) != WAIT_OBJECT_0) {
    TerminateProcess(process.process(), 1);
    WaitForSingleObject(process.process(), 5000);
    sample.killed = true;
  }
  return sample;
}

}  // namespace bench
