// The map's picture: land, sea and coast at each pixel of a projection of the world (see
// map_projection.h for the projections). No Win32 here.
#pragma once

#include <cstdint>
#include <vector>

#include "rotserver/core/map_projection.h"

namespace rotserver {

class LandGrid;

struct MapColours {
  uint32_t sea = 0;  // 0xRRGGBB
  uint32_t land = 0;
  uint32_t coast = 0;
  uint32_t outside = 0;  // where the picture shows no earth (the corners around a disc)
};

// The map as a picture `width` x `height` pixels, rows top down, 0xRRGGBB per pixel. Computed
// once per size, station and colours, then only copied at each paint.
std::vector<uint32_t> DrawMap(const LandGrid& land, const MapProjection& projection, int width,
                              int height, const MapColours& colours);

}  // namespace rotserver
