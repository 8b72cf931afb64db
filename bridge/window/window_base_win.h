// Small pieces shared by the main window and its widgets: the state object attached to each
// window at WM_NCCREATE, RAII for GDI objects and DPI scaling (both common/winui), colour
// numbers and the placement of a widget from its row of the layout table.
#pragma once

#include <windows.h>

#include <string>

#include "winui/dpi_win.h"
#include "winui/gdi_objects_win.h"
#include "bridge/window/colors.h"
#include "bridge/window/layout.h"

namespace vexal {

// The colour number as GDI draws it: system colours are looked up, others used as they are.
inline COLORREF ToColorRef(TColor color) {
  if (IsSystemColor(color)) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0x00FFFFFF);
}

// DPI scaling is common/winui's: the layout table's design units are its 96-dpi measures.
static_assert(kDesignDpi == winui::kDesignDpi);
using winui::Scale;
using winui::ScreenDpi;
using winui::WindowDpi;

// RAII for GDI objects is common/winui's too.
using winui::GdiObject;
using winui::SelectedObject;

inline HFONT CreateFontFor(const FontSpec& spec, int dpi) {
  return CreateFontA(-Scale(spec.height96, dpi), 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE,
                     FALSE, FALSE, spec.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, spec.face);
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
