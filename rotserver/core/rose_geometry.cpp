#include "rotserver/core/rose_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace rotserver {

namespace {

// A click nearer the centre than this share of the radius names no direction.
constexpr double kDeadCentre = 0.08;
// Clicks on the ring just outside the circle still count.
constexpr double kClickReach = 1.12;
constexpr double kArrowSweep = 40.0;
constexpr double kArrowHeadDeg = 9.0;
// End stops closer than this are drawn as one.
constexpr double kSameStop = 0.5;

double Radians(double deg) {
  return deg * std::numbers::pi / 180.0;
}

}  // namespace

double NormalizeCompass(double deg) {
  double r = std::fmod(deg, 360.0);
  if (r < 0) r += 360.0;
  return r >= 360.0 ? 0.0 : r;  // -1e-15 + 360 rounds to 360
}

RosePoint PointAt(const Rose& rose, double deg, double fraction) {
  const double a = Radians(deg);
  const double r = rose.radius * fraction;
  return {rose.cx + r * std::sin(a), rose.cy - r * std::cos(a)};
}

std::optional<int> CompassAt(const Rose& rose, double x, double y) {
  const double dx = x - rose.cx;
  const double dy = rose.cy - y;
  const double distance = std::hypot(dx, dy);
  if (rose.radius <= 0 || distance < rose.radius * kDeadCentre ||
      distance > rose.radius * kClickReach)
    return std::nullopt;
  const double deg = std::atan2(dx, dy) * 180.0 / std::numbers::pi;
  return static_cast<int>(std::lround(NormalizeCompass(deg))) % 360;
}

RangeArcs RangeOnCompass(double min_az, double max_az, double offset) {
  RangeArcs arcs;
  const double span = std::max(0.0, max_az - min_az);
  const double start = NormalizeCompass(min_az + offset);
  if (span >= 360.0) {
    arcs.reachable = {start, 360.0};
    // Headings from min to max - 360 can be reached both ways round.
    if (span > 360.0) arcs.overlap = Arc{start, std::min(span - 360.0, 360.0)};
  } else {
    arcs.reachable = {start, span};
    arcs.unreachable = Arc{NormalizeCompass(start + span), 360.0 - span};
  }
  arcs.stops.push_back(start);
  const double end = NormalizeCompass(start + span);
  if (std::fabs(NormalizeCompass(end - start + 180.0) - 180.0) > kSameStop)
    arcs.stops.push_back(end);
  return arcs;
}

std::vector<RosePoint> RingSector(const Rose& rose, const Arc& arc, double inner, double outer,
                                  double step) {
  const int segments = std::max(1, static_cast<int>(std::ceil(arc.sweep / std::max(step, 0.5))));
  std::vector<RosePoint> points;
  points.reserve(static_cast<size_t>(2 * (segments + 1)));
  for (int i = 0; i <= segments; ++i)
    points.push_back(PointAt(rose, arc.start + arc.sweep * i / segments, outer));
  for (int i = segments; i >= 0; --i)
    points.push_back(PointAt(rose, arc.start + arc.sweep * i / segments, inner));
  return points;
}

std::optional<DirectionArrow> TurnArrow(const Rose& rose, double from, int direction,
                                        double fraction) {
  if (direction == 0) return std::nullopt;
  const double sign = direction > 0 ? 1.0 : -1.0;
  DirectionArrow arrow;
  const int segments = 10;
  for (int i = 0; i <= segments; ++i)
    arrow.shaft.push_back(PointAt(rose, from + sign * kArrowSweep * i / segments, fraction));
  const double tip = from + sign * (kArrowSweep + kArrowHeadDeg);
  const double base = from + sign * kArrowSweep;
  const double half_width = 0.06;
  arrow.head[0] = PointAt(rose, tip, fraction);
  arrow.head[1] = PointAt(rose, base, fraction + half_width);
  arrow.head[2] = PointAt(rose, base, fraction - half_width);
  return arrow;
}

}  // namespace rotserver
