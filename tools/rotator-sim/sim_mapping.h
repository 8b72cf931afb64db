// The simulated rotator's model of a target: what a target command from the bridge says, and
// how a compass direction (tenths of a degree) lands in the range of a rotator of one range
// mode. No Win32 here.
//
// These rules are deliberately the simulator's own, not RotServer's front end
// (rotserver/core/front_end.h, bridge_macro.h): rotator-sim is the partner against which the
// bridge is tested, so it reads the bridge's bytes and plans its turns without the product's
// code; a fault in RotServer's reading then cannot hide the same fault in the bridge's
// writing, and the bridge's tests do not change when RotServer's policy does. Only the type
// of the limits is shared.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/rotctld_reply.h"

namespace rotsim {

using AzimuthLimits = rotserver::AzimuthLimits;

// Degrees to the tenths of a status line, halves away from zero.
int TenthsFromDegrees(double degrees);

// Line 7 of the status macro: 0 for a rotator whose azimuth runs from -180 (its limits reach
// below 0), 1 for one that runs from 0 to 360.
int RangeModeFor(const AzimuthLimits& limits);

// Line 1 (the target in tenths) of a target command: three lines, each a whole number that fits
// an int (an optional '-' and digits) followed by CR LF, then one NUL, tolerated when missing.
// Nothing for the greeting or anything else.
std::optional<int> CommandTarget(std::string_view bytes);

// The greeting ("HS " CR LF NUL) or a target command (three integer lines, each followed by
// CR LF, then one NUL): what a well-behaved bridge sends, exactly.
bool IsWellFormedCommand(std::string_view bytes);

struct TargetPlan {
  enum class Kind { kMove, kStop, kRefuse };
  Kind kind = Kind::kRefuse;
  double azimuth = 0;  // kMove: degrees within the limits
  std::string reason;  // kRefuse
};

// The target reduced into the rotator's own frame (-180..180 or 0..360, by its range mode)
// and, when that lies outside the limits, moved by whole turns into them (nearest the
// rotator's position) or refused. A target equal to a position reported lately is the
// operator's stop request (the bridge sends back where it last saw the rotator).
TargetPlan PlanTarget(int target_tenths, const AzimuthLimits& limits,
                      const std::deque<int>& recent_tenths);

}  // namespace rotsim
