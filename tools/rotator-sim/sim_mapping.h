// The simulated rotator's model of a target: how a compass direction from the bridge (tenths
// of a degree) lands in the range of a rotator of one range mode. The bytes exchanged with the
// bridge are RotServer's (core/bridge_macro.h). No Win32 here.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace rotsim {

struct AzimuthLimits {
  double min_az = 0;
  double max_az = 360;
};

// Degrees to the tenths of a status line, halves away from zero.
int TenthsFromDegrees(double degrees);

// Line 7 of the status macro: 0 for a rotator whose azimuth runs from -180 (its limits reach
// below 0), 1 for one that runs from 0 to 360.
int RangeModeFor(const AzimuthLimits& limits);

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
