#include "bridge/window/label_win.h"

namespace vexal {

namespace {
constexpr char kLabelClass[] = "TLabel";
// Smoothed TrueType text can spill a pixel or two past its advance (seen under Wine with the
// stand-in for "MS Sans Serif"); the bitmap font itself measures exactly.
constexpr int kTrueTypeOverhang96 = 2;
}  // namespace

TLabel::TLabel(HWND parent, const WidgetLayout& layout, TColor parent_color, int dpi, int origin)
    : layout_(layout),
      font_(CreateFontFor(*layout.font, dpi)),
      dpi_(dpi),
      color_(layout.color == kParentColor ? parent_color : layout.color),
      text_color_(layout.font->color) {
  RegisterClassOnce(kLabelClass);
  Placement place = PlacementOf(layout, dpi, origin);
  Create(0, kLabelClass, layout.text, WS_CHILD | WS_VISIBLE, place.x, place.y, place.width,
         place.height, parent, layout.id);
  AutoSize();
}

void TLabel::Rescale(int dpi, int origin) {
  dpi_ = dpi;
  font_.Reset(CreateFontFor(*layout_.font, dpi));
  MoveTo(Handle(), PlacementOf(layout_, dpi, origin));
  AutoSize();
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TLabel::SetText(const std::string& text) {
  if (text == Text()) return;
  SetWindowTextA(Handle(), text.c_str());
  AutoSize();
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TLabel::AutoSize() {
  std::string text = Text();
  HDC dc = GetDC(Handle());
  SIZE size{};
  {
    SelectedObject font(dc, font_.get());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    size.cy = tm.tmHeight;
    if (!text.empty() && (tm.tmPitchAndFamily & TMPF_TRUETYPE))
      size.cx += Scale(kTrueTypeOverhang96, dpi_);
  }
  ReleaseDC(Handle(), dc);
  SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TLabel::Paint(HDC dc, const RECT& area) {
  GdiObject<HBRUSH> brush(CreateSolidBrush(ToColorRef(color_)));
  FillRect(dc, &area, brush.get());
  std::string text = Text();
  SelectedObject font(dc, font_.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(text_color_));
  TextOutA(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
}

LRESULT TLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks go to the window beneath, as on any label
  }
  return PaintedWindow::HandleMessage(msg, wp, lp);
}

}  // namespace vexal
