#include "rotserver/win/rose_paint_win.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "rotserver/win/map_paint_win.h"
#include "winui/dpi_win.h"

namespace rotserver {

namespace {

// Fractions of the radius: the range ring lies outside the scale, the arrow inside it.
constexpr double kRingInner = 0.90;
constexpr double kRingOuter = 1.0;
constexpr double kScaleRadius = 0.90;
constexpr double kLetterRadius = 0.74;
constexpr double kArrowRadius = 0.60;
constexpr double kNeedleLength = 0.84;
constexpr int kMargin96 = 4;
constexpr double kSimulatedAt = 0.48, kSimulatedEm = 0.14;  // below the centre; letter height
constexpr int kTargetHalfWidth96 = 7;
constexpr int kEndStopHalfWidth96 = 2;
constexpr double kStopInner = 0.85;
constexpr double kDegreesPerRadian = 57.29577951308232;

using winui::Scale;

POINT Px(const RosePoint& p) {
  return {static_cast<LONG>(std::lround(p.x)), static_cast<LONG>(std::lround(p.y))};
}

void FillPolygon(HDC dc, const std::vector<RosePoint>& points, HBRUSH brush) {
  std::vector<POINT> px;
  px.reserve(points.size());
  for (const RosePoint& p : points) px.push_back(Px(p));
  SelectedObject b(dc, brush);
  SelectedObject pen(dc, GetStockObject(NULL_PEN));
  Polygon(dc, px.data(), static_cast<int>(px.size()));
}

RECT Box(const Rose& rose, double fraction) {
  POINT tl = Px({rose.cx - rose.radius * fraction, rose.cy - rose.radius * fraction});
  POINT br = Px({rose.cx + rose.radius * fraction, rose.cy + rose.radius * fraction});
  return {tl.x, tl.y, br.x, br.y};
}

void Line(HDC dc, const RosePoint& from, const RosePoint& to) {
  POINT a = Px(from), b = Px(to);
  MoveToEx(dc, a.x, a.y, nullptr);
  LineTo(dc, b.x, b.y);
}

void PaintRange(HDC dc, const Rose& rose, const ViewState& state, int dpi) {
  RangeArcs arcs = RangeOnCompass(state.min_az, state.max_az, state.offset_deg);
  GdiObject<HBRUSH> reachable(CreateSolidBrush(kReachableColour));
  FillPolygon(dc, RingSector(rose, arcs.reachable, kRingInner, kRingOuter), reachable.get());
  if (arcs.overlap) {
    GdiObject<HBRUSH> overlap(CreateSolidBrush(kOverlapColour));
    FillPolygon(dc, RingSector(rose, *arcs.overlap, kRingInner, kRingOuter), overlap.get());
  }
  if (arcs.unreachable) {
    GdiObject<HBRUSH> hatch(CreateHatchBrush(HS_BDIAGONAL, kUnreachableColour));
    FillPolygon(dc, RingSector(rose, *arcs.unreachable, kRingInner, kRingOuter), hatch.get());
  }
  // A bar across the ring at each end stop: why a turn may go the long way round.
  const double half =
      Scale(kEndStopHalfWidth96, dpi) / std::max(rose.radius, 1.0) * kDegreesPerRadian;
  GdiObject<HBRUSH> stop(CreateSolidBrush(kEndStopColour));
  for (double at : arcs.stops)
    FillPolygon(dc, RingSector(rose, {at - half, 2 * half}, kStopInner, kRingOuter, 1.0),
                stop.get());
}

void PaintScale(HDC dc, const Rose& rose, int dpi, HFONT font) {
  GdiObject<HPEN> pen(CreatePen(PS_SOLID, std::max(1, Scale(1, dpi)), kScaleColour));
  SelectedObject p(dc, pen.get());
  SelectedObject b(dc, GetStockObject(NULL_BRUSH));
  POINT tl = Px({rose.cx - rose.radius * kScaleRadius, rose.cy - rose.radius * kScaleRadius});
  POINT br = Px({rose.cx + rose.radius * kScaleRadius, rose.cy + rose.radius * kScaleRadius});
  Ellipse(dc, tl.x, tl.y, br.x + 1, br.y + 1);
  for (int deg = 0; deg < 360; deg += 10) {
    double inner = deg % 90 == 0 ? 0.80 : deg % 30 == 0 ? 0.84 : 0.87;
    Line(dc, PointAt(rose, deg, inner), PointAt(rose, deg, kScaleRadius));
  }
  SelectedObject f(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, HighContrast() ? GetSysColor(COLOR_WINDOWTEXT) : kScaleColour);
  static const char* const kLetters[] = {"N", "E", "S", "W"};
  for (int deg = 0; deg < 360; deg += 30) {
    const std::string text = deg % 90 == 0 ? kLetters[deg / 90] : std::to_string(deg);
    POINT at = Px(PointAt(rose, deg, kLetterRadius));
    RECT r{at.x - 20, at.y - 20, at.x + 20, at.y + 20};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  }
}

// Light letters low in the rose, so that nobody takes the simulation for the antenna, while the
// station's own region in the middle of the map stays clear.
void PaintSimulated(HDC dc, const Rose& rose) {
  GdiObject<HFONT> font(CreateFontA(-static_cast<int>(rose.radius * kSimulatedEm), 0, 0, 0,
                                    FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, "Arial"));
  SelectedObject f(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kSimulatedColour);
  const RosePoint at = PointAt(rose, 180, kSimulatedAt);
  RECT r = Box({at.x, at.y, rose.radius}, 1.0);
  DrawTextA(dc, "SIMULATED", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
}

// A triangle on the rim pointing inwards at the target heading, and a thin line from the
// centre: where the beam will go, across the map.
void PaintTarget(HDC dc, const Rose& rose, double target, int dpi) {
  GdiObject<HPEN> line(CreatePen(PS_SOLID, std::max(1, Scale(1, dpi)), kTargetColour));
  {
    SelectedObject p(dc, line.get());
    SetBkMode(dc, TRANSPARENT);
    Line(dc, {rose.cx, rose.cy}, PointAt(rose, target, 0.80));
  }
  // Half the marker's width at the rim, as an angle.
  const double half =
      Scale(kTargetHalfWidth96, dpi) / std::max(rose.radius, 1.0) * kDegreesPerRadian;
  GdiObject<HBRUSH> brush(CreateSolidBrush(kTargetColour));
  FillPolygon(dc,
              {PointAt(rose, target, 0.80), PointAt(rose, target - half, kRingOuter),
               PointAt(rose, target + half, kRingOuter)},
              brush.get());
}

void PaintArrow(HDC dc, const Rose& rose, const ViewState& state, int dpi) {
  std::optional<DirectionArrow> arrow =
      TurnArrow(rose, state.azimuth.value_or(0), state.direction, kArrowRadius);
  if (!arrow) return;
  GdiObject<HPEN> pen(CreatePen(PS_SOLID, Scale(2, dpi), kArrowColour));
  SelectedObject p(dc, pen.get());
  std::vector<POINT> shaft;
  for (const RosePoint& point : arrow->shaft) shaft.push_back(Px(point));
  Polyline(dc, shaft.data(), static_cast<int>(shaft.size()));
  GdiObject<HBRUSH> brush(CreateSolidBrush(kArrowColour));
  FillPolygon(dc, {arrow->head[0], arrow->head[1], arrow->head[2]}, brush.get());
}

void PaintNeedle(HDC dc, const Rose& rose, double azimuth, bool stale, int dpi) {
  const COLORREF colour = stale ? kNeedleStale : kNeedleLive;
  GdiObject<HPEN> pen(CreatePen(PS_SOLID, Scale(3, dpi), colour));
  SelectedObject p(dc, pen.get());
  Line(dc, {rose.cx, rose.cy}, PointAt(rose, azimuth, kNeedleLength));
  GdiObject<HBRUSH> hub(CreateSolidBrush(colour));
  SelectedObject b(dc, hub.get());
  const int r = Scale(4, dpi);
  POINT c = Px({rose.cx, rose.cy});
  Ellipse(dc, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
}

}  // namespace

Rose RoseIn(const RECT& area, int dpi) {
  const double width = area.right - area.left;
  const double height = area.bottom - area.top;
  const double radius = std::max(0.0, std::min(width, height) / 2.0 - Scale(kMargin96, dpi));
  return {area.left + width / 2.0, area.top + height / 2.0, radius};
}

void PaintRose(HDC dc, const RECT& area, const ViewState& state, int dpi, HFONT font,
               MapLayer* map) {
  FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
  const Rose rose = RoseIn(area, dpi);
  if (rose.radius < 8) return;
  if (map) map->Paint(dc, rose);
  PaintRange(dc, rose, state, dpi);
  PaintScale(dc, rose, dpi, font);
  if (state.simulated) PaintSimulated(dc, rose);
  if (state.target) PaintTarget(dc, rose, *state.target, dpi);
  if (state.azimuth) {
    if (!state.stale) PaintArrow(dc, rose, state, dpi);
    PaintNeedle(dc, rose, *state.azimuth, state.stale, dpi);
  }
}

}  // namespace rotserver
