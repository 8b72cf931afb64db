#include "rotserver/core/map_projection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace rotserver {

namespace {

constexpr double kScaleCircle = 0.90;  // of the rose's radius: inside the range ring

}  // namespace

MapPoint AzimuthalMap::Project(const LatLon& place) const {
  const double r = AngleRad(station_, place) / std::numbers::pi;
  const double b = DirectionDeg(station_, place) * std::numbers::pi / 180.0;
  return {0.5 + 0.5 * r * std::sin(b), 0.5 - 0.5 * r * std::cos(b)};
}

std::optional<MapSpot> AzimuthalMap::Unproject(const MapPoint& point) const {
  const double x = 2 * point.x - 1, y = 2 * point.y - 1;  // the unit disc, y down
  const double r = std::hypot(x, y);
  if (r > 1.0) return std::nullopt;
  MapSpot spot;
  spot.bearing_deg = r == 0 ? 0 : NormalizeCompass(std::atan2(x, -y) * 180.0 / std::numbers::pi);
  spot.km = r * kHalfCircumferenceKm;
  spot.place = Destination(station_, spot.bearing_deg, r * std::numbers::pi);
  return spot;
}

MapPoint MapFrame::ToMap(double x, double y) const {
  return {width > 0 ? (x - left) / width : -1, height > 0 ? (y - top) / height : -1};
}

MapFrame MapFrameIn(const Rose& rose, double aspect) {
  const double side = 2 * rose.radius * kScaleCircle;
  const double width = aspect >= 1 ? side : side * std::max(aspect, 0.0);
  const double height = aspect >= 1 ? side / aspect : side;
  return {rose.cx - width / 2, rose.cy - height / 2, width, height};
}

}  // namespace rotserver
