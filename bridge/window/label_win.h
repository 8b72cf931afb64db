// A text label that paints its own background colour and sizes itself to its text.
#pragma once

#include <string>

#include "bridge/window/layout.h"
#include "bridge/window/window_base_win.h"

namespace vexal {

class TLabel : public PaintedWindow, public ScaledWidget {
 public:
  // `parent_color` is used when the layout gives the label its window's colour.
  TLabel(HWND parent, const WidgetLayout& layout, TColor parent_color, int dpi, int origin);

  void SetText(const std::string& text);
  std::string Text() const { return GetText(Handle()); }
  void Rescale(int dpi, int origin) override;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Paint(HDC dc, const RECT& area) override;
  void AutoSize();

  const WidgetLayout& layout_;
  GdiObject<HFONT> font_;
  int dpi_;
  TColor color_;
  TColor text_color_;
};

}  // namespace vexal
