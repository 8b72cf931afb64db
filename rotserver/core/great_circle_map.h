// The world in azimuthal equidistant projection centred on the station: every straight line
// through the centre is a great circle, its direction the bearing, its length the distance, so
// the whole earth lies within a circle whose rim is the station's antipode. Coordinates are on
// the unit disc, x east and y down as on the screen. No Win32 here.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "rotserver/core/geodesy.h"

namespace rotserver {

struct MapPoint {
  double x = 0;
  double y = 0;
};

MapPoint Project(const LatLon& station, const LatLon& point);

// What lies under a point of the disc: its bearing and distance from the station and the place.
struct MapSpot {
  double bearing_deg = 0;
  double km = 0;
  LatLon place;
};
// Nothing outside the disc.
std::optional<MapSpot> Unproject(const LatLon& station, double x, double y);

class LandGrid;

struct MapColours {
  uint32_t sea = 0;  // 0xRRGGBB
  uint32_t land = 0;
  uint32_t coast = 0;
  uint32_t outside = 0;  // the corners of the square, outside the disc
};

// The map as a square picture `size` pixels wide, rows top down, 0xRRGGBB per pixel; the disc
// fills the square. Computed once per size and station, then only copied at each paint.
std::vector<uint32_t> DrawMap(const LandGrid& land, const LatLon& station, int size,
                              const MapColours& colours);

}  // namespace rotserver
