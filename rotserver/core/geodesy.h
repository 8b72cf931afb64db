// Bearings and distances on a spherical earth, and Maidenhead locators. The long path runs the
// other way round the same great circle: its bearing is the short path's + 180°, its length the
// rest of the circumference. No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rotserver {

inline constexpr double kEarthRadiusKm = 6371.0;
inline constexpr double kHalfCircumferenceKm = 20015.086796;  // pi * kEarthRadiusKm

struct LatLon {
  double lat = 0;  // degrees, north positive, -90..90
  double lon = 0;  // degrees, east positive, -180..180
};

// Within a hair (under a millimetre) of the north or south pole.
bool AtPole(const LatLon& point);

// The initial great-circle bearing from `from` to `to`, compass degrees in [0, 360); 0 when the
// two points coincide. From the north pole every bearing is south (180), from the south pole
// north (0).
double BearingDeg(const LatLon& from, const LatLon& to);
// The great-circle angle between the points, in radians 0..pi.
double AngleRad(const LatLon& from, const LatLon& to);
double DistanceKm(const LatLon& from, const LatLon& to);
// The point `angle_rad` along the great circle leaving `from` at `bearing_deg`. From a pole the
// bearing is taken as seen from just off the pole on `from`'s meridian: from the north pole 180
// runs down that meridian and 0 down the opposite one; from the south pole 0 runs up it.
LatLon Destination(const LatLon& from, double bearing_deg, double angle_rad);
// The bearing `Destination` understands: `BearingDeg`, but from a pole the direction as seen
// from just off it on `from`'s meridian, so that each meridian keeps a direction of its own.
double DirectionDeg(const LatLon& from, const LatLon& to);
// The long path's bearing: + 180°, in [0, 360).
double LongPathBearing(double short_bearing_deg);

// A locator of 4, 6 or 8 characters ("JN58", "JN58td", "JN58td25"; letters in either case) as
// the centre of its square; nothing, with the reason in words, for any other text.
std::optional<LatLon> ParseLocator(std::string_view text, std::string* error);
// The 6-character locator ("JN58td") of a point.
std::string LocatorOf(const LatLon& point);

// The station as the operator types it: a locator, or latitude and longitude in decimal
// degrees separated by a comma or blanks ("48.14, 11.58", "-33.9 18.4").
std::optional<LatLon> ParseStation(std::string_view text, std::string* error);

}  // namespace rotserver
