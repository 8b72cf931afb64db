// What RotServer believes of what rotctld reports: the rotator's range from \dump_state, and
// each reading against the range in use. The live link and the settings dialog's Test judge
// by these same rules, so a Test never calls good what the link would refuse. No Win32 here.
#pragma once

#include <optional>
#include <string>

#include "rotserver/core/rotctld_reply.h"

namespace rotserver {

// Degrees for messages: one decimal ("-180.0"), or as "1e+308" when longer than a reader
// could take in.
std::string DegreesText(double value);

struct RangeInUse {
  AzimuthLimits azimuth;  // where targets are placed
  // \dump_state gave no range and the operator none either: 0..360 is taken for targets, and
  // a reading is judged against the widest range a real rotator has (-180..540).
  bool guessed = true;
  // Whether the rotator has an elevation axis: \dump_state's elevation limits say so (equal
  // bounds: none). Nothing while they do not say, or cannot be believed.
  std::optional<bool> has_elevation;
  std::optional<ElevationLimits> elevation;  // as believed; with has_elevation known
  std::string note;  // why rotctld's range is not the one in use, for the status line
};

// The range in use from \dump_state's limits (`reported`, or nothing, `why_missing` saying
// why: "unreadable", "not answered within 6 s") and the operator's own range (`configured`,
// when one is set). Azimuth limits with a bound beyond -360..720, wider than 720 degrees or
// inverted are not believed: the configured range is used, else 0..360, with a note.
RangeInUse ChooseRange(const std::optional<DumpStateLimits>& reported,
                       const std::optional<AzimuthLimits>& configured,
                       const std::string& why_missing);

// Why `reading` cannot be where the rotator points with `range` in use: an azimuth more than
// 5 degrees outside the range, an elevation as far outside the elevation range, or beyond a
// full turn either way. Empty when it can be.
std::string ReadingFault(const Position& reading, const RangeInUse& range);

}  // namespace rotserver
