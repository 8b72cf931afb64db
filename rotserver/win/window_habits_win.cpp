#include "rotserver/win/window_habits_win.h"

#include "rotserver/win/main_window_ids_win.h"
#include "rotserver/win/settings_store_win.h"

namespace rotserver {

namespace {

constexpr int kMinVisible = 100;  // pixels of the window that stay on a monitor at least

}  // namespace

// The box is in workspace coordinates, as GetWindowPlacement gives it and SetWindowPlacement
// takes it: a monitor's work area there starts at the monitor's own corner.
void RestorePlacement(HWND hwnd, const Settings& settings) {
  if (!settings.window_box) return;
  const WindowBox& box = *settings.window_box;
  const RECT wanted{box.x, box.y, box.x + box.width, box.y + box.height};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const WindowBox work{monitor.rcMonitor.left, monitor.rcMonitor.top,
                       monitor.rcWork.right - monitor.rcWork.left,
                       monitor.rcWork.bottom - monitor.rcWork.top};
  const WindowBox fit = FitWindowBox(box, work, kMinVisible);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(hwnd, &placement)) return;
  placement.flags = 0;
  placement.showCmd = IsWindowVisible(hwnd) ? SW_SHOWNOACTIVATE : SW_HIDE;
  placement.rcNormalPosition = RECT{fit.x, fit.y, fit.x + fit.width, fit.y + fit.height};
  SetWindowPlacement(hwnd, &placement);
}

bool StorePlacement(HWND hwnd, bool stay_on_top) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(hwnd, &placement)) return false;
  const RECT& r = placement.rcNormalPosition;  // also while minimised or maximised
  Settings settings = LoadUsableSettings();
  settings.window_box = WindowBox{r.left, r.top, r.right - r.left, r.bottom - r.top};
  settings.stay_on_top = stay_on_top;
  return SaveSettingValues(settings, nullptr, {kFieldWindowBox, kFieldStayOnTop});
}

void KeepOnTop(HWND hwnd, bool on_top) {
  SetWindowPos(hwnd, on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  CheckMenuItem(GetMenu(hwnd), kIdMenuStayOnTop, on_top ? MF_CHECKED : MF_UNCHECKED);
}

bool ConfirmClose(HWND hwnd, bool bridge_linked) {
  if (!bridge_linked) return true;
  return MessageBoxW(hwnd,
                     L"Logger32-Vexal is linked to this RotServer. If RotServer closes, the "
                     L"bridge loses the rotator until RotServer is started again.\n\n"
                     L"Close RotServer anyway?",
                     L"RotServer", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

}  // namespace rotserver
