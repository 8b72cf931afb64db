#include "bridge/rotator/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vexal {

namespace {

// A double times 10 needs at most 57 significant bits; with a 64-bit mantissa the product is
// exact, so only the final rounding decides the tenths.
static_assert(std::numeric_limits<long double>::digits >= 57,
              "long double must hold a double times 10 exactly");

long double RoundHalfToEven(long double x) {
  const long double below = std::floor(x);
  const long double fraction = x - below;
  if (fraction > 0.5L) return below + 1;
  if (fraction < 0.5L) return below;
  return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

// Halves away from zero, written out because MinGW's std::round adds 0.5 first and so turns
// the largest double below one half into 1. x - floor(x) is exact for every finite x >= 0.
double RoundMagnitude(double magnitude) {
  const double below = std::floor(magnitude);
  return magnitude - below >= 0.5 ? below + 1 : below;
}

}  // namespace

std::string TenthsText(double degrees) {
  if (std::isnan(degrees)) return "0";
  const long double rounded = RoundHalfToEven(static_cast<long double>(degrees) * 10.0L);
  // Saturate instead of overflowing; no azimuth the bridge handles comes near these bounds.
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  if (rounded >= static_cast<long double>(kMax)) return std::to_string(kMax);
  if (rounded <= static_cast<long double>(kMin)) return std::to_string(kMin);
  return std::to_string(static_cast<std::int64_t>(rounded));
}

std::string WholeDegreeText(double azimuth) {
  const double rounded = RoundMagnitude(std::fabs(azimuth));
  char buffer[400];  // enough for the largest finite double written in full
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 0);
  std::string text(buffer, result.ptr);
  if (azimuth < 0 && rounded != 0) text.insert(text.begin(), '-');
  return text;
}

}  // namespace vexal
