// RotServer's window: a compass rose with the actual azimuth, the target, the range and a
// status line; the operator can turn the rotator by a click on the rose and stop it with the
// Stop button or Esc. The menu opens the settings dialog.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "rotserver/core/settings.h"
#include "rotserver/core/view_state.h"

namespace rotserver {

inline constexpr char kMainWindowTitle[] = "RotServer";

// The window's children and menu commands.
enum MainWindowId : int {
  kIdHeading = 101,  // "azimuth 123  target 245"
  kIdStaleText,      // "no reading for 7 s", empty while readings arrive
  kIdStatusLine,     // backend, address and link
  kIdStopButton,
  kIdMenuSettings = 201,
  kIdMenuExit,
  kIdMenuOfferProgram,  // "Let Logger32-Vexal start this RotServer"
};

struct WindowActions {
  std::function<void(double compass_deg)> turn_to;      // a click on the rose
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
  // Opens the settings dialog (modal) with `current`; on OK stores and calls apply_settings.
  virtual void OpenSettings(const Settings& current) = 0;
};

// `show` as WinMain got it: SW_SHOWMINNOACTIVE (as the bridge starts it) keeps it minimised.
std::unique_ptr<MainWindow> CreateMainWindow(HINSTANCE instance, int show, WindowActions actions);

}  // namespace rotserver
