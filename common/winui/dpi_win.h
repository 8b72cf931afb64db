// The one DPI helper: measures designed at 96 dpi (names ending in 96) in pixels at the dpi of
// the screen or of the monitor a window is on. The bridge's widgets and RotServer's window and
// compass rose scale by these; a window follows WM_DPICHANGED by scaling again at the new dpi.
#pragma once

#include <windows.h>

namespace winui {

constexpr int kDesignDpi = 96;

// A measure in design units in pixels at `dpi`, rounded as MulDiv rounds.
inline int Scale(int value96, int dpi) {
  return MulDiv(value96, dpi, kDesignDpi);
}

// Pixels per inch of the screen; kDesignDpi when the screen does not say.
int ScreenDpi();
// Pixels per inch of the monitor the window is on, where the system tells it (Windows 10 1607
// and later, looked up at run time so that the program still starts without it); the screen's
// otherwise.
int WindowDpi(HWND hwnd);

}  // namespace winui
