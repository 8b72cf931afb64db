// The compass rose of RotServer's window drawn with GDI: the great-circle map inside it when
// the station is known, the mechanical range around the rim (overlap shaded, unreachable
// headings hatched, the end stops as bars across it), the scale with numbers every 30°, the
// target marker and line, the turning arrow and the needle, grey while the heading is stale;
// "SIMULATED" low in it for the simulated rotator.
#pragma once

#include <windows.h>

#include "rotserver/core/rose_geometry.h"
#include "winui/gdi_objects_win.h"
#include "rotserver/core/view_state.h"

namespace rotserver {

// Colours that tests and the operator's eye tell apart.
inline constexpr COLORREF kNeedleLive = RGB(208, 0, 0);
inline constexpr COLORREF kNeedleStale = RGB(150, 150, 150);
inline constexpr COLORREF kTargetColour = RGB(0, 96, 208);
inline constexpr COLORREF kArrowColour = RGB(0, 150, 60);
inline constexpr COLORREF kReachableColour = RGB(214, 234, 214);
inline constexpr COLORREF kOverlapColour = RGB(240, 196, 120);
inline constexpr COLORREF kUnreachableColour = RGB(200, 200, 200);
inline constexpr COLORREF kEndStopColour = RGB(112, 56, 0);
inline constexpr COLORREF kScaleColour = RGB(64, 64, 64);
inline constexpr COLORREF kSimulatedColour = RGB(176, 176, 176);

class MapLayer;

using winui::GdiObject;
using winui::MemoryDc;
using winui::SelectedObject;

// Paints the rose into `area` of `dc` (background included) at `dpi`, with `font` for the
// scale's letters, over `map` when it is given and shown. The rose is the largest circle that
// fits `area` with room for the rim.
void PaintRose(HDC dc, const RECT& area, const ViewState& state, int dpi, HFONT font,
               MapLayer* map = nullptr);

// The rose as PaintRose places it in `area`: for clicks and tests.
Rose RoseIn(const RECT& area, int dpi);

}  // namespace rotserver
