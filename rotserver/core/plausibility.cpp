#include "rotserver/core/plausibility.h"

#include <cmath>
#include <cstdio>

namespace rotserver {

namespace {

constexpr AzimuthLimits kAssumedRange{0, 360};
constexpr AzimuthLimits kWidestRange{-180, 540};  // the widest range a real rotator turns
// Hamlib's drivers span -180..540 at most; a range twice a full turn from -360 up to 720 leaves
// room for any controller set up by hand, and nothing beyond it is a rotator.
constexpr double kLowestBound = -360, kHighestBound = 720, kWidestSpan = 720;
constexpr double kLowestElevation = -180, kHighestElevation = 360;
// A reading this far outside the range in use cannot be true (a rotator runs a little past
// its end stop before it halts).
constexpr double kMargin = 5;

std::string RangeText(double min, double max) {
  return DegreesText(min) + ".." + DegreesText(max);
}

std::string AzimuthLimitsFault(const AzimuthLimits& limits) {
  if (!(limits.min_az < limits.max_az)) return "its minimum is not below its maximum";
  if (limits.min_az < kLowestBound || limits.max_az > kHighestBound)
    return "a bound beyond -360..720";
  if (limits.max_az - limits.min_az > kWidestSpan) return "wider than 720 degrees";
  return "";
}

// Sets what the elevation limits say of an elevation axis; a note when they cannot be true.
void JudgeElevation(const std::optional<ElevationLimits>& limits, RangeInUse& range) {
  if (!limits) return;
  const bool inside = limits->min_el >= kLowestElevation && limits->max_el <= kHighestElevation;
  if (inside && limits->min_el == limits->max_el) {
    range.has_elevation = false;
    range.elevation = limits;
  } else if (inside && limits->min_el < limits->max_el) {
    range.has_elevation = true;
    range.elevation = limits;
  } else {
    // Whether there is an axis is not known then: a turn keeps the elevation as read.
    if (!range.note.empty()) range.note += "; ";
    range.note += "rotctld's elevation range " + RangeText(limits->min_el, limits->max_el) +
                  " cannot be a rotator's: the elevation is kept as read";
  }
}

}  // namespace

std::string DegreesText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, std::fabs(value) < 1e6 ? "%.1f" : "%.3g", value);
  return text;
}

RangeInUse ChooseRange(const std::optional<DumpStateLimits>& reported,
                       const std::optional<AzimuthLimits>& configured,
                       const std::string& why_missing) {
  RangeInUse range;
  std::string fault = reported ? AzimuthLimitsFault(reported->azimuth) : "";
  if (reported && fault.empty()) {
    range.azimuth = reported->azimuth;
    range.guessed = false;
  } else {
    range.azimuth = configured.value_or(kAssumedRange);
    // A range rotctld got wrong is no reason to believe readings beyond the one in use.
    range.guessed = !reported && !configured;
    const std::string fallback = configured ? "using the configured range " +
                                                  RangeText(configured->min_az, configured->max_az)
                                            : "taken as 0..360";
    if (reported)
      range.note = "rotctld's range " +
                   RangeText(reported->azimuth.min_az, reported->azimuth.max_az) +
                   " cannot be a rotator's (" + fault + "): " + fallback;
    else
      range.note = "range from dump_state " + why_missing + ": " + fallback;
  }
  if (reported) JudgeElevation(reported->elevation, range);
  return range;
}

std::string ReadingFault(const Position& reading, const RangeInUse& range) {
  const AzimuthLimits bounds = range.guessed ? kWidestRange : range.azimuth;
  if (!(reading.azimuth >= bounds.min_az - kMargin && reading.azimuth <= bounds.max_az + kMargin))
    return "azimuth " + DegreesText(reading.azimuth) + " is outside " +
           (range.guessed ? std::string("any rotator's range")
                          : "the range " + RangeText(bounds.min_az, bounds.max_az));
  if (!(std::fabs(reading.elevation) <= 360))
    return "elevation " + DegreesText(reading.elevation) + " is beyond a full turn";
  if (range.has_elevation == true && range.elevation &&
      !(reading.elevation >= range.elevation->min_el - kMargin &&
        reading.elevation <= range.elevation->max_el + kMargin))
    return "elevation " + DegreesText(reading.elevation) + " is outside the elevation range " +
           RangeText(range.elevation->min_el, range.elevation->max_el);
  return "";
}

}  // namespace rotserver
