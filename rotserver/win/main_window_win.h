// RotServer's window: the heading large with the target and what the rotator does, a compass
// rose with the great-circle map of the station's world behind it, a bearing entry with Go, LP
// and Stop, six preset buttons, the bridge's line and the status line with its coloured mark.
// The operator turns the rotator by a click on the map or rose (Shift: the long path), by a
// typed bearing, by LP or by a preset, and stops it with Stop or Esc.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "rotserver/core/settings.h"
#include "rotserver/core/view_state.h"
#include "rotserver/win/main_window_ids_win.h"

namespace rotserver {

struct WindowActions {
  std::function<void(double compass_deg)> turn_to;      // map, rose, entry, LP, preset, nudge
  std::function<void()> stop;                           // Stop button, Esc
  std::function<void(const Settings&)> apply_settings;  // settings stored; rebuild the backend
  std::function<void()> closed;                         // the window was closed: end the program
  std::function<void()> offer_program;  // write our path into the bridge's "Program"
};

class MainWindow {
 public:
  virtual ~MainWindow() = default;
  virtual HWND hwnd() const = 0;
  // Redraws only what changed.
  virtual void Show(const ViewState& state) = 0;
  // Opens the settings dialog (modal) with `current`, and `mark`'s field marked when given; on
  // OK stores and calls apply_settings.
  virtual void OpenSettings(const Settings& current, const SettingsProblem* mark = nullptr) = 0;
};

// `show` as WinMain got it: SW_SHOWMINNOACTIVE (as the bridge starts it) keeps it minimised.
// The station, presets, placement and stay-on-top come from the stored settings.
std::unique_ptr<MainWindow> CreateMainWindow(HINSTANCE instance, int show, WindowActions actions);

}  // namespace rotserver
