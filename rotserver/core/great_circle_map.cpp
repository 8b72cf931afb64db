#include "rotserver/core/great_circle_map.h"

#include <cmath>
#include <numbers>

#include "rotserver/core/rose_geometry.h"

#include "rotserver/core/land_grid.h"

namespace rotserver {

namespace {


}  // namespace

MapPoint Project(const LatLon& station, const LatLon& point) {
  const double r = AngleRad(station, point) / std::numbers::pi;
  const double b = BearingDeg(station, point) * std::numbers::pi / 180.0;
  return {r * std::sin(b), -r * std::cos(b)};
}

std::optional<MapSpot> Unproject(const LatLon& station, double x, double y) {
  const double r = std::hypot(x, y);
  if (r > 1.0) return std::nullopt;
  MapSpot spot;
  spot.bearing_deg = r == 0 ? 0 : NormalizeCompass(std::atan2(x, -y) * 180.0 / std::numbers::pi);
  spot.km = r * kHalfCircumferenceKm;
  spot.place = Destination(station, spot.bearing_deg, r * std::numbers::pi);
  return spot;
}

std::vector<uint32_t> DrawMap(const LandGrid& land, const LatLon& station, int size,
                              const MapColours& colours) {
  if (size <= 0) return {};
  const size_t n = static_cast<size_t>(size);
  // First land or sea at each pixel's centre, then the land pixels beside sea become coast.
  std::vector<uint8_t> kind(n * n, 0);  // 0 outside, 1 sea, 2 land
  const double half = size / 2.0;
  for (int row = 0; row < size; ++row)
    for (int col = 0; col < size; ++col) {
      std::optional<MapSpot> spot =
          Unproject(station, (col + 0.5 - half) / half, (row + 0.5 - half) / half);
      if (spot) kind[row * n + col] = land.IsLand(spot->place) ? 2 : 1;
    }
  std::vector<uint32_t> pixels(n * n, colours.outside);
  for (size_t row = 0; row < n; ++row)
    for (size_t col = 0; col < n; ++col) {
      const uint8_t k = kind[row * n + col];
      if (k == 1) pixels[row * n + col] = colours.sea;
      if (k != 2) continue;
      const bool coast = (col > 0 && kind[row * n + col - 1] == 1) ||
                         (col + 1 < n && kind[row * n + col + 1] == 1) ||
                         (row > 0 && kind[(row - 1) * n + col] == 1) ||
                         (row + 1 < n && kind[(row + 1) * n + col] == 1);
      pixels[row * n + col] = coast ? colours.coast : colours.land;
    }
  return pixels;
}

}  // namespace rotserver
