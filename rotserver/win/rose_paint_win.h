// The compass rose of RotServer's window drawn with GDI: the mechanical range around the rim
// (overlap shaded, unreachable headings hatched), the scale, the target marker, the turning
// arrow and the needle, grey while the heading is stale.
#pragma once

#include <windows.h>

#include "core/rose_geometry.h"
#include "core/view_state.h"

namespace rotserver {

// Colours that tests and the operator's eye tell apart.
inline constexpr COLORREF kNeedleLive = RGB(208, 0, 0);
inline constexpr COLORREF kNeedleStale = RGB(150, 150, 150);
inline constexpr COLORREF kTargetColour = RGB(0, 96, 208);
inline constexpr COLORREF kArrowColour = RGB(0, 150, 60);
inline constexpr COLORREF kReachableColour = RGB(214, 234, 214);
inline constexpr COLORREF kOverlapColour = RGB(240, 196, 120);
inline constexpr COLORREF kUnreachableColour = RGB(200, 200, 200);
inline constexpr COLORREF kScaleColour = RGB(64, 64, 64);

// A GDI object deleted with its owner.
template <class Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle h = nullptr) : h_(h) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  void Reset(Handle h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }
  Handle get() const { return h_; }

 private:
  Handle h_;
};

// Selects an object into a DC and puts the previous one back when it goes.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectedObject() { SelectObject(dc_, old_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Paints the rose into `area` of `dc` (background included) at `dpi`, with `font` for the
// scale's letters. The rose is the largest circle that fits `area` with room for the rim.
void PaintRose(HDC dc, const RECT& area, const ViewState& state, int dpi, HFONT font);

// The rose as PaintRose places it in `area`: for clicks and tests.
Rose RoseIn(const RECT& area, int dpi);

}  // namespace rotserver
