// How a map lays the earth onto its picture, and where that picture sits in the window. The
// window paints, reads out and turns through this interface only, so that another style of map
// is another projection. Map coordinates run 0..1 across the picture and 0..1 down it; the
// picture is `Aspect()` times as wide as it is high. No Win32 here.
#pragma once

#include <memory>
#include <optional>

#include "rotserver/core/geodesy.h"
#include "rotserver/core/rose_geometry.h"

namespace rotserver {

struct MapPoint {
  double x = 0;  // 0 left .. 1 right
  double y = 0;  // 0 top .. 1 bottom
};

// What lies under a point of the map: the bearing the antenna turns to for it, the great-circle
// distance from the station, and the place.
struct MapSpot {
  double bearing_deg = 0;
  double km = 0;
  LatLon place;
};

class MapProjection {
 public:
  virtual ~MapProjection() = default;
  // The picture's width over its height.
  virtual double Aspect() const = 0;
  virtual MapPoint Project(const LatLon& place) const = 0;
  // Nothing where the picture shows no earth.
  virtual std::optional<MapSpot> Unproject(const MapPoint& point) const = 0;
};

// Azimuthal equidistant, centred on the station: every straight line through the centre is a
// great circle, its direction the bearing and its length the distance, so the whole earth lies
// in a disc whose rim is the station's antipode. From a pole, where every bearing is south (or
// north), the directions are those seen from just off the pole on the station's own meridian.
class AzimuthalMap final : public MapProjection {
 public:
  explicit AzimuthalMap(const LatLon& station) : station_(station) {}
  double Aspect() const override { return 1.0; }
  MapPoint Project(const LatLon& place) const override;
  std::optional<MapSpot> Unproject(const MapPoint& point) const override;

 private:
  LatLon station_;
};

// The rectangle a map's picture fills in the window, in window pixels.
struct MapFrame {
  double left = 0, top = 0, width = 0, height = 0;
  MapPoint ToMap(double x, double y) const;
};

// The largest frame of `aspect` inside the square around the rose's scale circle, centred on the
// rose: an azimuthal map then fills the scale circle, its station under the needle's hub.
MapFrame MapFrameIn(const Rose& rose, double aspect);

}  // namespace rotserver
