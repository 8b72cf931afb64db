// The land of the map data file (rotserver/map/land-110m.vxl, written by scripts/make-map):
// decoded into rings of points, then filled into a grid of latitude and longitude cells, so
// that "is this place land" is one look-up. No Win32 here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rotserver/core/geodesy.h"

namespace rotserver {

struct LandRings {
  std::string source;                      // the file's note on where its data came from
  std::vector<std::vector<LatLon>> rings;  // closed implicitly; holes are rings too
};

// Nothing, with the reason in words, when `bytes` is not a whole map data file.
std::optional<LandRings> DecodeLand(std::string_view bytes, std::string* error);

class LandGrid {
 public:
  // Fills the rings by the even-odd rule into cells of 1/`cells_per_degree` degree.
  explicit LandGrid(const LandRings& land, int cells_per_degree = 4);
  bool IsLand(const LatLon& place) const;

 private:
  int per_degree_;
  int columns_, rows_;
  std::vector<uint64_t> bits_;  // row 0 at 90° north, column 0 at 180° west
};

}  // namespace rotserver
