// How the bridge's view of the rotator (tenths of a degree, a range mode, a turning direction)
// maps onto rotctld's (degrees within the rotator's limits). No Win32 here.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rotctld_protocol.h"

namespace rotsim {

constexpr int kOffTenths = -100000;

// Degrees to the tenths of a status line, halves away from zero.
int TenthsFromDegrees(double degrees);

// Line 7 of the status macro: 0 for a rotator whose azimuth runs from -180 (its limits reach
// below 0), 1 for one that runs from 0 to 360.
int RangeModeFor(const AzimuthLimits& limits);

// Line 1 of a target command in tenths; nothing for the greeting or anything unreadable.
std::optional<int> TargetFromCommand(std::string_view bytes);

// The greeting ("HS " CR LF NUL) or a target command (three integer lines, each followed by
// CR LF, then one NUL): what a well-behaved bridge sends.
bool IsWellFormedCommand(std::string_view bytes);

// The text of a ten-line status macro, each line followed by CR LF.
std::string StatusMacroText(int azimuth_tenths, int direction, int range_mode);

struct TargetPlan {
  enum class Kind { kMove, kStop, kRefuse };
  Kind kind = Kind::kRefuse;
  double azimuth = 0;  // kMove: degrees within the limits
  std::string reason;  // kRefuse
};

// What to tell rotctld for a target from the bridge. The bridge means a compass direction: the
// target is reduced into the rotator's own frame (-180..180 or 0..360, by its range mode) and,
// when that lies outside the limits, moved by whole turns into them (nearest the rotator's
// position) or refused. A target equal to a position reported lately is the operator's stop
// request (the bridge sends back where it last saw the rotator): stop rather than turn back.
TargetPlan PlanTarget(int target_tenths, const AzimuthLimits& limits,
                      const std::deque<int>& recent_tenths);

// Turning direction from successive readings: -1, 1, or 0 once the azimuth has stayed within
// the dead band for `still_readings` readings. Slow movement adds up until it leaves the band.
class DirectionTracker {
 public:
  explicit DirectionTracker(int dead_band_tenths = 5, int still_readings = 2)
      : band_(dead_band_tenths), still_needed_(still_readings) {}
  int Update(int tenths);
  void Reset() {
    anchor_.reset();
    direction_ = 0;
    still_ = 0;
  }
  int direction() const { return direction_; }

 private:
  int band_;
  int still_needed_;
  std::optional<int> anchor_;
  int direction_ = 0;
  int still_ = 0;
};

// Pause before reconnect attempt `failures` (1 for the first failure): doubling from 250 ms,
// at most 4 s.
std::chrono::milliseconds ReconnectDelay(unsigned failures);

}  // namespace rotsim
