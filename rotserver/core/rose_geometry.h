// Where things lie on RotServer's compass rose, in window pixels (y grows downwards): 0° up,
// angles clockwise, as on a map. The window paints with these and turns clicks back into
// headings with them. No Win32 here.
#pragma once

#include <optional>
#include <vector>

namespace rotserver {

struct RosePoint {
  double x = 0;
  double y = 0;
};

struct Rose {
  double cx = 0;
  double cy = 0;
  double radius = 0;
};

// The degrees brought into [0, 360).
double NormalizeCompass(double deg);

// The point at `fraction` of the radius from the centre in the compass direction `deg`.
RosePoint PointAt(const Rose& rose, double deg, double fraction = 1.0);

// The compass heading of a click, whole degrees in [0, 360); nothing for a click outside the
// rose or so near its centre that the direction means nothing.
std::optional<int> CompassAt(const Rose& rose, double x, double y);

// A part of the circle: from `start` (compass degrees) clockwise over `sweep` degrees.
struct Arc {
  double start = 0;
  double sweep = 0;
};

// The rotator's mechanical range drawn on the compass. `offset` turns rotator degrees into
// compass degrees (compass = rotator + offset).
struct RangeArcs {
  Arc reachable;                   // the whole circle when the range spans 360° or more
  std::optional<Arc> overlap;      // headings reachable twice, when the range exceeds 360°
  std::optional<Arc> unreachable;  // headings outside a range under 360°
  // The mechanical end stops on the compass, the range's start then its end; one where they
  // meet (a 0..360 rotator's, at north without an offset).
  std::vector<double> stops;
};
RangeArcs RangeOnCompass(double min_az, double max_az, double offset);

// The outline of a ring's sector between `inner` and `outer` (fractions of the radius), as a
// polygon: along the outer edge clockwise, back along the inner edge. One point at least
// every `step` degrees, so that it looks round at any size.
std::vector<RosePoint> RingSector(const Rose& rose, const Arc& arc, double inner, double outer,
                                  double step = 3.0);

// The turning direction as a curved arrow along the ring at `fraction` of the radius, from
// the heading `from` a quarter turn onwards (`direction` 1 clockwise, -1 anticlockwise).
struct DirectionArrow {
  std::vector<RosePoint> shaft;  // a polyline
  RosePoint head[3];             // a triangle whose first point is the tip
};
std::optional<DirectionArrow> TurnArrow(const Rose& rose, double from, int direction,
                                        double fraction);

}  // namespace rotserver
