// Waiting in a bench program: its own window and DDE messages handled all the while.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>

namespace bench {

// Handles every message of the thread until `done` holds or `timeout_ms` have passed; true
// when done. Never sleeps: a partner's connect is a sent message that a sleeping process would
// delay. Wakes at least every `step_ms` as well, since some conditions (another process's
// window coming or going, a line in a log) change without a message to this thread.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms, DWORD step_ms = 1) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    const DWORD waited = GetTickCount() - start;
    if (waited >= timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(step_ms, timeout_ms - waited),
                              QS_ALLINPUT);
  }
}

}  // namespace bench
