// Small pieces shared by the main window and its widgets: the state object attached to each
// window at WM_NCCREATE, RAII for GDI objects (common/winui), colour numbers, DPI scaling and
// the placement of a widget from its row of the layout table.
#pragma once

#include <windows.h>

#include <string>

#include "winui/gdi_objects_win.h"
#include "bridge/window/colors.h"
#include "bridge/window/layout.h"

namespace vexal {

// The colour number as GDI draws it: system colours are looked up, others used as they are.
COLORREF ToColorRef(TColor color);

HFONT CreateFontFor(const FontSpec& spec, int dpi);

// Pixels per inch of the screen; the layout is designed at kDesignDpi.
int ScreenDpi();
// Pixels per inch of the monitor the window is on, where the system tells it (Windows 10
// 1607 and later); the screen's otherwise.
int WindowDpi(HWND hwnd);
// A measure in design units (a name ending in 96) in pixels at `dpi`.
inline int Scale(int value96, int dpi) {
  return MulDiv(value96, dpi, kDesignDpi);
}

std::string GetText(HWND hwnd);

// A widget's rectangle in its window's client area.
struct Placement {
  int x, y, width, height;
};

// Where the widget lies at `dpi`, `origin` being the client coordinate of the border's inner
// edge.
Placement PlacementOf(const WidgetLayout& layout, int dpi, int origin);
void MoveTo(HWND hwnd, const Placement& place);

// Base of every window with its own class: the object is attached at WM_NCCREATE and
// detached at WM_NCDESTROY, and no exception leaves the window procedure.
class WindowBase {
 public:
  WindowBase() = default;
  virtual ~WindowBase();
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  HWND Handle() const { return hwnd_; }

 protected:
  // Registers `class_name` once per process with this family's window procedure.
  static void RegisterClassOnce(const char* class_name, UINT style = 0);
  void Create(DWORD ex_style, const char* class_name, const char* text, DWORD style, int x, int y,
              int w, int h, HWND parent, int id);
  void Destroy();
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

// A window that paints itself entirely in Paint, for the screen and for WM_PRINTCLIENT alike;
// there is no separate background erase.
class PaintedWindow : public WindowBase {
 protected:
  virtual void Paint(HDC dc, const RECT& area) = 0;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void PaintNow();
};

}  // namespace vexal
