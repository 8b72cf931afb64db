// The simulator's top-level window, titled "Logger32" so that the bridge finds it. It receives
// the registered Logger32 messages, runs the scheduled turn requests and takes commands; its
// client area lists the log.
#pragma once

#include <windows.h>

#include "event_log_win.h"
#include "sim_options.h"

namespace logger32sim {

inline constexpr char kSimTitle[] = "Logger32";
// A line from standard input; lParam is a std::string* the window deletes.
inline constexpr UINT kMsgCommandLine = WM_APP + 1;

// Creates the window (hidden); null on failure.
HWND CreateSimWindow(HINSTANCE instance, const SimOptions& options, EventLog& log);

}  // namespace logger32sim
