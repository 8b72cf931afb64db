#include "rotserver/core/great_circle_map.h"

#include <optional>

#include "rotserver/core/land_grid.h"

namespace rotserver {

std::vector<uint32_t> DrawMap(const LandGrid& land, const MapProjection& projection, int width,
                              int height, const MapColours& colours) {
  if (width <= 0 || height <= 0) return {};
  const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  // First land or sea at each pixel's centre, then the land pixels beside sea become coast.
  std::vector<uint8_t> kind(w * h, 0);  // 0 outside, 1 sea, 2 land
  for (size_t row = 0; row < h; ++row)
    for (size_t col = 0; col < w; ++col) {
      const MapPoint at{(col + 0.5) / width, (row + 0.5) / height};
      if (std::optional<MapSpot> spot = projection.Unproject(at))
        kind[row * w + col] = land.IsLand(spot->place) ? 2 : 1;
    }
  std::vector<uint32_t> pixels(w * h, colours.outside);
  for (size_t row = 0; row < h; ++row)
    for (size_t col = 0; col < w; ++col) {
      const uint8_t k = kind[row * w + col];
      if (k == 1) pixels[row * w + col] = colours.sea;
      if (k != 2) continue;
      const bool coast = (col > 0 && kind[row * w + col - 1] == 1) ||
                         (col + 1 < w && kind[row * w + col + 1] == 1) ||
                         (row > 0 && kind[(row - 1) * w + col] == 1) ||
                         (row + 1 < h && kind[(row + 1) * w + col] == 1);
      pixels[row * w + col] = coast ? colours.coast : colours.land;
    }
  return pixels;
}

}  // namespace rotserver
