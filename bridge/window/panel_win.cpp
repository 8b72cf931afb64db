#include "bridge/window/panel_win.h"

#include <windowsx.h>

namespace vexal {

namespace {

constexpr char kPanelClass[] = "TPanel";

// One frame `width` pixels wide: `top_left` on the upper and left edges, `bottom_right` on
// the others. Shrinks `rect` by the frame.
void DrawBevel(HDC dc, RECT& rect, COLORREF top_left, COLORREF bottom_right, int width) {
  GdiObject<HBRUSH> light(CreateSolidBrush(top_left));
  GdiObject<HBRUSH> dark(CreateSolidBrush(bottom_right));
  for (int i = 0; i < width && rect.right > rect.left && rect.bottom > rect.top; ++i) {
    RECT top{rect.left, rect.top, rect.right, rect.top + 1};
    RECT left{rect.left, rect.top, rect.left + 1, rect.bottom};
    RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    FillRect(dc, &bottom, dark.get());
    FillRect(dc, &right, dark.get());
    FillRect(dc, &top, light.get());
    FillRect(dc, &left, light.get());
    InflateRect(&rect, -1, -1);
  }
}

unsigned ShiftFrom(WPARAM wp) {
  return static_cast<unsigned>(wp & 0xFFFF);
}

}  // namespace

TPanel::TPanel(HWND parent, const WidgetLayout& layout, int dpi, int origin)
    : layout_(layout),
      font_(CreateFontFor(*layout.font, dpi)),
      color_(layout.color),
      tag_(layout.tag) {
  RegisterClassOnce(kPanelClass);
  Placement place = PlacementOf(layout, dpi, origin);
  Create(0, kPanelClass, layout.text, WS_CHILD | WS_VISIBLE, place.x, place.y, place.width,
         place.height, parent, layout.id);
}

void TPanel::Rescale(int dpi, int origin) {
  font_.Reset(CreateFontFor(*layout_.font, dpi));
  MoveTo(Handle(), PlacementOf(layout_, dpi, origin));
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TPanel::SetColor(TColor color) {
  if (color == color_) return;  // nothing to repaint
  color_ = color;
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TPanel::SetBevelOuter(TBevelCut cut) {
  if (cut == bevel_outer_) return;
  bevel_outer_ = cut;
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TPanel::Paint(HDC dc, const RECT& area) {
  GdiObject<HBRUSH> face(CreateSolidBrush(ToColorRef(color_)));
  FillRect(dc, &area, face.get());
  RECT rect = area;
  COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
  if (bevel_outer_ == TBevelCut::bvRaised)
    DrawBevel(dc, rect, light, dark, kBevelWidthPx);
  else
    DrawBevel(dc, rect, dark, light, kBevelWidthPx);
  InflateRect(&rect, -kBorderWidthPx, -kBorderWidthPx);  // the border shows the panel colour
  std::string caption = GetText(Handle());
  SelectedObject font(dc, font_.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &rect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void TPanel::MouseDown(MouseButton button, WPARAM wp, LPARAM lp) {
  if (button == MouseButton::Left) SetCapture(Handle());
  if (OnMouseDown) OnMouseDown(*this, button, ShiftFrom(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
}

void TPanel::MouseUp(MouseButton button, WPARAM wp, LPARAM lp) {
  if (button == MouseButton::Left && GetCapture() == Handle()) ReleaseCapture();
  if (OnMouseUp) OnMouseUp(*this, button, ShiftFrom(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
}

void TPanel::CaptureLost(UINT msg) {
  // The button-up will not come here: an error box, another program or the system took the
  // mouse while the button was held. The panel looks released; nothing else happens.
  if (msg == WM_CANCELMODE && GetCapture() == Handle()) ReleaseCapture();
  SetBevelOuter(TBevelCut::bvRaised);
}

LRESULT TPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      MouseDown(MouseButton::Left, wp, lp);
      return 0;
    case WM_RBUTTONDOWN:
      MouseDown(MouseButton::Right, wp, lp);
      return 0;
    case WM_MBUTTONDOWN:
      MouseDown(MouseButton::Middle, wp, lp);
      return 0;
    case WM_LBUTTONUP:
      MouseUp(MouseButton::Left, wp, lp);
      return 0;
    case WM_RBUTTONUP:
      MouseUp(MouseButton::Right, wp, lp);
      return 0;
    case WM_MBUTTONUP:
      MouseUp(MouseButton::Middle, wp, lp);
      return 0;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      CaptureLost(msg);
      return 0;
    case kMsgGetPanelColor:
      return static_cast<LRESULT>(color_);
  }
  return PaintedWindow::HandleMessage(msg, wp, lp);
}

}  // namespace vexal
