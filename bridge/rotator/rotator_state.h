// The process-wide values that describe the rotator and the rotator link. One set per
// process, used only on the user-interface thread.
#pragma once

#include <cstdint>

namespace vexal {

inline constexpr double kNoTarget = -1000.0;     // PendingTarget: nothing pending
inline constexpr double kRotatorOff = -10000.0;  // ActualAzimuth: the rotator is switched off
inline constexpr double kShownAbove = -720.0;    // ActualAzimuth at or below: "AUS"

struct RotatorState {
  double ActualAzimuth = 0.0;  // degrees
  std::int32_t TurnDirection = 0;  // -1 left, 1 right, anything else: not turning
  std::int32_t RangeMode = 0;      // only zero / non-zero matters
  double PendingTarget = 0.0;      // degrees; pending exactly when > kNoTarget
  double PendingSecond = 0.0;      // always 0.0
  bool RotLinkActive = false;      // the DDE client link to the rotator server is up
};

inline bool TargetPending(const RotatorState& s) { return s.PendingTarget > kNoTarget; }
inline bool AzimuthShown(double azimuth) { return azimuth > kShownAbove; }

}  // namespace vexal
