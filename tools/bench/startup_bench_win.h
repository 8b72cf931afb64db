// Start-up time and memory of a window program: from CreateProcess until its window is shown.
#pragma once

#include <windows.h>

#include <string>

namespace bench {

struct StartupSample {
  double millis = 0;       // CreateProcess until a visible top-level window with the title
  double peak_ws_kib = 0;  // peak working set once the window is up
  bool killed = false;     // did not end within the close timeout after WM_CLOSE
};

struct StartupSettings {
  std::string exe;
  std::string args;  // appended to the quoted program path
  std::string title;
  DWORD window_timeout_ms = 30000;
  DWORD close_timeout_ms = 10000;
};

// Throws std::runtime_error when the program cannot be started or shows no such window in
// time (it is killed then).
StartupSample MeasureStartup(const StartupSettings& settings);

// The visible top-level window with exactly this title (case as FindWindow: ignored), of process
// `pid` when pid is not 0.
HWND FindVisibleWindow(const std::string& title, DWORD pid);

}  // namespace bench
