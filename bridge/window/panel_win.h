// A bevelled panel with a centred caption, a colour that it reports back exactly as set, an
// integer Tag and mouse-down/up events. It holds the mouse while the left button is down, and
// looks released again when it loses the mouse before the button comes up.
#pragma once

#include <functional>
#include <string>

#include "bridge/window/layout.h"
#include "bridge/window/mouse_button.h"
#include "bridge/window/window_base_win.h"

namespace vexal {

enum class TBevelCut { bvRaised, bvLowered };

class TPanel;
using TMouseEvent =
    std::function<void(TPanel& sender, MouseButton button, unsigned shift, int x, int y)>;

class TPanel : public PaintedWindow, public ScaledWidget {
 public:
  // The bevel and the border inside it stay in device pixels at every DPI, not design units:
  // the bevel is a frame of one-pixel lines in the system's highlight and shadow colours, like
  // the 3-D edges DrawEdge draws for the system's own controls, which do not thicken with the
  // DPI either. The panel, its face and its caption font scale, so the caption keeps its room.
  static constexpr int kBevelWidthPx = 3;
  static constexpr int kBorderWidthPx = 2;

  TPanel(HWND parent, const WidgetLayout& layout, int dpi, int origin);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Tag() const { return tag_; }
  void SetBevelOuter(TBevelCut cut);
  void Rescale(int dpi, int origin) override;

  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Paint(HDC dc, const RECT& area) override;
  void MouseDown(MouseButton button, WPARAM wp, LPARAM lp);
  void MouseUp(MouseButton button, WPARAM wp, LPARAM lp);
  void CaptureLost(UINT msg);

  const WidgetLayout& layout_;
  GdiObject<HFONT> font_;
  TColor color_;
  int tag_;
  TBevelCut bevel_outer_ = TBevelCut::bvRaised;
};

}  // namespace vexal
