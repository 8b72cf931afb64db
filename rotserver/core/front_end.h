// RotServer's front end over one driver: the calibration offset, the choice of a target inside
// the rotator's limits (overlap included), the status macro for the bridge and the window's
// view. Everything the bridge and the operator ask for passes here. No Win32 here.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/rotator_driver.h"
#include "rotserver/core/view_state.h"

namespace rotserver {

struct FrontEndConfig {
  int offset_deg = 0;  // -180..180: compass = rotator azimuth + offset (mod 360)
  // Line 7 of the status macro; without it, where the rotator's limits put its end stop.
  std::optional<int> range_mode;
  std::string backend_label;
  Millis stale_after_ms = 3000;  // a reading older than this is no longer shown as live
};

// The position inside [min_az, max_az] that points where `rotator_deg` does (itself or whole
// turns away), nearest `current` when the range offers more than one (over 360 degrees, or
// both 0 and 360); without `current`, the one nearest `rotator_deg` reduced to 0..360.
// Nothing when no equivalent lies inside.
std::optional<double> NearestInside(double rotator_deg, double min_az, double max_az,
                                    std::optional<double> current);

struct TurnOutcome {
  enum class Kind { kMove, kStop, kRefused };
  Kind kind = Kind::kRefused;
  double azimuth = 0;  // kMove: rotator frame, inside the limits
  std::string reason;  // kRefused: in words, also shown in the window
};

// How old a reading may be and still count as live: 3 s, or two poll intervals when the
// operator polls a slow controller less often than that.
Millis StaleAfterFor(int poll_ms);

class FrontEnd {
 public:
  FrontEnd(RotatorDriver& driver, FrontEndConfig config);

  // A target command received on "RotServConv" (the bytes as executed). The greeting, anything
  // that is no target command, and targets beyond 3600 tenths either way are ignored (kRefused
  // with a reason).
  TurnOutcome OnBridgeCommand(std::string_view bytes, Millis now);
  // The operator's click on the rose: a compass direction.
  TurnOutcome TurnTo(double compass_deg, Millis now);
  void Stop(Millis now);
  void Tick(Millis now);

  // Ten lines, each ending CR LF (the caller adds the NUL): the latest reading as compass
  // tenths, the turning direction, the range mode; the off mark while there is no fresh reading.
  std::string StatusMacro(Millis now);
  ViewState View(Millis now) const;

 private:
  TurnOutcome Refuse(std::string reason);
  bool Fresh(const DriverStatus& status, Millis now) const;
  double Compass(double rotator_deg) const;

  RotatorDriver& driver_;
  FrontEndConfig config_;
  std::deque<int> recent_tenths_;         // line 1 of the last status macros that had a reading
  std::optional<double> target_;          // compass, the last one sent
  std::optional<double> target_rotator_;  // the same in the rotator's frame, as sent
  unsigned refusals_seen_ = 0;            // the driver's count of refused targets
  std::string refusal_;                   // why the last request was not carried out
};

}  // namespace rotserver
