// A top-level, always-on-top form: colour, caption, resizable frame, created hidden at the
// system's default place. It colours its edit boxes, keeps track of which child has the
// keyboard focus, follows a change of DPI (new monitor or new setting) with its widgets, and
// hands closing and the end of the session to its owner.
#pragma once

#include <functional>
#include <vector>

#include "bridge/window/layout.h"
#include "bridge/window/window_base_win.h"

namespace vexal {

class Form : public PaintedWindow {
 public:
  explicit Form(const FormLayout& layout);
  ~Form() override;

  int Dpi() const { return dpi_; }
  // Client coordinate of the inner edge of the border margin.
  int Origin() const { return Scale(border_width96_, dpi_); }
  TColor Color() const { return color_; }

  // The close box, Alt+F4 and the system menu's Close end here; the window stays.
  std::function<void()> OnClose;
  // The log-on is ending: the program ends from inside this call.
  std::function<void()> OnEndSession;

 protected:
  // The child that gets the keyboard focus when the form is activated and no child has it.
  void SetDefaultFocus(HWND child) { default_focus_ = child; }
  // Widgets to lay out again when the DPI changes; they must live as long as the form.
  void AddScaledWidget(ScaledWidget& widget) { widgets_.push_back(&widget); }
  void DestroyHandle() { Destroy(); }
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Paint(HDC dc, const RECT& area) override;
  LRESULT CtlColor(UINT msg, HDC dc, HWND child);
  void Activate(WPARAM wp);
  void RestoreFocus();
  void Close();
  void EndSession(bool ending);
  void DpiChanged(int dpi, const RECT* suggested);

  int dpi_;
  int border_width96_;
  TColor color_;
  HWND default_focus_ = nullptr;
  HWND saved_focus_ = nullptr;
  std::vector<ScaledWidget*> widgets_;
};

}  // namespace vexal
