#include "rotserver/win/window_habits_win.h"

#include "rotserver/win/main_window_win.h"
#include "rotserver/win/settings_store_win.h"

namespace rotserver {

void RestorePlacement(HWND hwnd, const Settings& settings) {
  if (!settings.window_box) return;
  const WindowBox& box = *settings.window_box;
  RECT r{box.x, box.y, box.x + box.width, box.y + box.height};
  if (!MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return;  // that monitor is gone
  SetWindowPos(hwnd, nullptr, box.x, box.y, box.width, box.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool StorePlacement(HWND hwnd, bool stay_on_top) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  RECT r{};
  if (IsIconic(hwnd) || IsZoomed(hwnd)) {
    if (!GetWindowPlacement(hwnd, &placement)) return false;
    r = placement.rcNormalPosition;
  } else if (!GetWindowRect(hwnd, &r)) {
    return false;
  }
  Settings settings = LoadUsableSettings();
  settings.window_box = WindowBox{r.left, r.top, r.right - r.left, r.bottom - r.top};
  settings.stay_on_top = stay_on_top;
  return SaveSettings(settings, nullptr, SettingsScope::kWindowOnly);
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
