#include "rotserver/core/geodesy.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "rotserver/core/rose_geometry.h"
#include "rotserver/core/plain_text.h"

namespace rotserver {

namespace {

// Nearer a pole than this (about 0.1 mm), bearings are the pole's.
constexpr double kPoleDeg = 1e-9;

double Rad(double deg) {
  return deg * std::numbers::pi / 180.0;
}
double Deg(double rad) {
  return rad * 180.0 / std::numbers::pi;
}

bool Fail(std::string* error, const std::string& words) {
  if (error) *error = words;
  return false;
}

constexpr char kLocatorRule[] =
    "A locator has 4, 6 or 8 characters: two letters A-R, two digits, then optionally two "
    "letters A-X and two digits (e.g. JN58td).";

// Each pair of the locator narrows the square: field (letters A-R, 20°x10°), square (digits,
// 2°x1°), subsquare (letters A-X, 5'x2.5'), extended square (digits, 30"x15").
bool PairValue(char c, bool letter, int limit, int* value) {
  if (letter) {
    const int v = std::toupper(static_cast<unsigned char>(c)) - 'A';
    if (!std::isalpha(static_cast<unsigned char>(c)) || v < 0 || v >= limit) return false;
    *value = v;
  } else {
    if (c < '0' || c > '9') return false;
    *value = c - '0';
  }
  return true;
}

// A decimal number that uses all of `text`; nothing otherwise.
std::optional<double> Decimal(std::string_view text) {
  std::string copy(Trimmed(text));
  if (copy.empty() || copy.size() > 20) return std::nullopt;
  for (char c : copy)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+'))
      return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

double AngleRad(const LatLon& from, const LatLon& to) {
  // The haversine form stays accurate for points close together.
  const double dlat = Rad(to.lat - from.lat), dlon = Rad(to.lon - from.lon);
  const double h =
      std::sin(dlat / 2) * std::sin(dlat / 2) +
      std::cos(Rad(from.lat)) * std::cos(Rad(to.lat)) * std::sin(dlon / 2) * std::sin(dlon / 2);
  return 2 * std::atan2(std::sqrt(h), std::sqrt(std::max(0.0, 1 - h)));
}

double DistanceKm(const LatLon& from, const LatLon& to) {
  return AngleRad(from, to) * kEarthRadiusKm;
}

bool AtPole(const LatLon& point) {
  return std::fabs(point.lat) >= 90.0 - kPoleDeg;
}

double BearingDeg(const LatLon& from, const LatLon& to) {
  if (AtPole(from)) {
    const bool same_pole = AtPole(to) && (to.lat > 0) == (from.lat > 0);
    return from.lat > 0 && !same_pole ? 180.0 : 0.0;
  }
  const double p1 = Rad(from.lat), p2 = Rad(to.lat), dlon = Rad(to.lon - from.lon);
  const double y = std::sin(dlon) * std::cos(p2);
  const double x = std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dlon);
  if (std::fabs(x) < 1e-15 && std::fabs(y) < 1e-15) return 0;
  return NormalizeCompass(Deg(std::atan2(y, x)));
}

double DirectionDeg(const LatLon& from, const LatLon& to) {
  if (!AtPole(from) || AtPole(to)) return BearingDeg(from, to);
  return NormalizeCompass(from.lat > 0 ? from.lon + 180.0 - to.lon : to.lon - from.lon);
}

LatLon Destination(const LatLon& from, double bearing_deg, double angle_rad) {
  if (AtPole(from)) {
    // Along a meridian: the usual formula divides rounding noise by the pole's cos(latitude).
    const double deg = Deg(angle_rad);
    const double lon = from.lat > 0 ? from.lon + 180.0 - bearing_deg : from.lon + bearing_deg;
    const double lat = from.lat > 0 ? 90.0 - deg : -90.0 + deg;
    return {std::max(-90.0, std::min(90.0, lat)), NormalizeCompass(lon + 180.0) - 180.0};
  }
  const double p1 = Rad(from.lat), l1 = Rad(from.lon), b = Rad(bearing_deg);
  const double sin_p2 =
      std::sin(p1) * std::cos(angle_rad) + std::cos(p1) * std::sin(angle_rad) * std::cos(b);
  const double p2 = std::asin(std::max(-1.0, std::min(1.0, sin_p2)));
  const double l2 = l1 + std::atan2(std::sin(b) * std::sin(angle_rad) * std::cos(p1),
                                    std::cos(angle_rad) - std::sin(p1) * sin_p2);
  double lon = std::fmod(Deg(l2) + 540.0, 360.0) - 180.0;
  return {Deg(p2), lon};
}

double LongPathBearing(double short_bearing_deg) {
  return NormalizeCompass(short_bearing_deg + 180.0);
}

std::optional<LatLon> ParseLocator(std::string_view text, std::string* error) {
  text = Trimmed(text);
  if (text.size() != 4 && text.size() != 6 && text.size() != 8) {
    Fail(error, kLocatorRule);
    return std::nullopt;
  }
  // Sizes of each pair's cell in degrees of longitude; latitude's are half of them.
  static const double kLonCell[] = {20.0, 2.0, 2.0 / 24, 2.0 / 240};
  static const bool kLetters[] = {true, false, true, false};
  static const int kLimits[] = {18, 10, 24, 10};
  double lon = -180, lat = -90;
  const size_t pairs = text.size() / 2;
  for (size_t i = 0; i < pairs; ++i) {
    int x = 0, y = 0;
    if (!PairValue(text[2 * i], kLetters[i], kLimits[i], &x) ||
        !PairValue(text[2 * i + 1], kLetters[i], kLimits[i], &y)) {
      Fail(error, kLocatorRule);
      return std::nullopt;
    }
    lon += x * kLonCell[i];
    lat += y * kLonCell[i] / 2;
  }
  lon += kLonCell[pairs - 1] / 2;
  lat += kLonCell[pairs - 1] / 4;
  return LatLon{lat, lon};
}

std::string LocatorOf(const LatLon& point) {
  // Just inside the grid: 180° east and 90° north belong to the last field.
  const double lon = std::min(std::max(point.lon + 180.0, 0.0), 359.999999);
  const double lat = std::min(std::max(point.lat + 90.0, 0.0), 179.999999);
  std::string out(6, ' ');
  out[0] = static_cast<char>('A' + static_cast<int>(lon / 20));
  out[1] = static_cast<char>('A' + static_cast<int>(lat / 10));
  out[2] = static_cast<char>('0' + static_cast<int>(std::fmod(lon, 20) / 2));
  out[3] = static_cast<char>('0' + static_cast<int>(std::fmod(lat, 10)));
  out[4] = static_cast<char>('a' + static_cast<int>(std::fmod(lon, 2) * 12));
  out[5] = static_cast<char>('a' + static_cast<int>(std::fmod(lat, 1) * 24));
  return out;
}

std::optional<LatLon> ParseStation(std::string_view text, std::string* error) {
  text = Trimmed(text);
  const size_t split = text.find_first_of(", ");
  if (split == std::string_view::npos) return ParseLocator(text, error);
  std::string_view rest = Trimmed(text.substr(split + 1));
  if (!rest.empty() && rest.front() == ',') rest = Trimmed(rest.substr(1));
  std::optional<double> lat = Decimal(text.substr(0, split)), lon = Decimal(rest);
  if (!lat || !lon || *lat < -90 || *lat > 90 || *lon < -180 || *lon > 180) {
    Fail(error,
         "Latitude and longitude are two decimal numbers of degrees, latitude -90 to 90 and "
         "longitude -180 to 180, north and east positive (e.g. 48.14, 11.58).");
    return std::nullopt;
  }
  return LatLon{*lat, *lon};
}

}  // namespace rotserver
