// A single-line edit box with a colour, a font, a character limit (which the box also keeps
// for pasted text), a disabled state and a character event that runs before the box inserts
// the character. Built on the system's EDIT class, subclassed.
#pragma once

#include <functional>
#include <string>

#include "bridge/window/layout.h"
#include "bridge/window/window_base_win.h"

namespace vexal {

class TEdit : public ScaledWidget {
 public:
  TEdit(HWND parent, const WidgetLayout& layout, int dpi, int origin);
  ~TEdit();
  TEdit(const TEdit&) = delete;
  TEdit& operator=(const TEdit&) = delete;

  HWND Handle() const { return hwnd_; }
  std::string Text() const { return GetText(hwnd_); }
  void SetText(const std::string& text);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  void SelectAll();
  void Rescale(int dpi, int origin) override;

  // Called with each typed character before the box sees it; setting it to 0 discards it.
  std::function<void(char& key)> OnKeyPress;

  // The box whose window this is, or nullptr: the parent uses it to colour its edit boxes.
  static TEdit* FromHandle(HWND hwnd);
  // Answer to WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC from the parent.
  HBRUSH CtlColor(HDC dc);

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Char(WPARAM wp, LPARAM lp);
  LRESULT LButtonDown(WPARAM wp, LPARAM lp);
  LRESULT SetFocusMsg(WPARAM wp, LPARAM lp);

  const WidgetLayout& layout_;
  GdiObject<HFONT> font_;
  GdiObject<HBRUSH> brush_;
  TColor color_;
  TColor text_color_;
  HWND hwnd_ = nullptr;
  WNDPROC base_proc_ = nullptr;
  bool clicking_ = false;
};

}  // namespace vexal
