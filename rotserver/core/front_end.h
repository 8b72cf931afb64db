// RotServer's front end over one driver: the policy of what may turn the rotator (the
// calibration offset, the choice of a target inside the rotator's limits, overlap included,
// refusals in words, stale readings), the one latest reading every door answers from, and the
// window's view. What the window, the bridge and the network doors ask for passes here; each
// door only parses. No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/rotator_driver.h"
#include "rotserver/core/view_state.h"

namespace rotserver {

struct FrontEndConfig {
  int offset_deg = 0;  // -180..180: compass = rotator azimuth + offset (mod 360)
  std::string backend_label;
  Millis stale_after_ms = 3000;  // a reading older than this is no longer shown as live
};

// The position inside [min_az, max_az] that points where `rotator_deg` does (itself or whole
// turns away), nearest `current` when the range offers more than one (over 360 degrees, or
// both 0 and 360); without `current`, the one nearest `rotator_deg` reduced to 0..360.
// Nothing when no equivalent lies inside.
std::optional<double> NearestInside(double rotator_deg, double min_az, double max_az,
                                    std::optional<double> current);

// What a door asks of the rotator, once parsed.
struct DoorRequest {
  enum class Kind { kNothing, kTurn, kStop, kBad };
  Kind kind = Kind::kNothing;
  // kTurn: a compass direction; with `exact`, the position as the rotator's range is shown to
  // programs (its own frame plus the offset, not wrapped: 400 on a 0..450 rotator).
  double azimuth = 0;
  bool exact = false;
  std::optional<double> elevation;  // kTurn: passed on when the rotator has an elevation axis
  std::string reason;               // kBad: why it is no request, in words

  static DoorRequest TurnTo(double compass_deg) {
    DoorRequest request;
    request.kind = Kind::kTurn;
    request.azimuth = compass_deg;
    return request;
  }
  static DoorRequest Stop() {
    DoorRequest request;
    request.kind = Kind::kStop;
    return request;
  }
};

// The latest reading, for every door alike.
struct Reading {
  double compass = 0;   // 0..360, offset applied
  double position = 0;  // the rotator's own azimuth plus the offset, not wrapped
  std::optional<double> elevation;
  int direction = 0;
};

// The range as programs see it: the rotator's limits plus the offset; the elevation's when the
// rotator has an elevation axis.
struct Range {
  double min_az = 0, max_az = 360;
  std::optional<double> min_el, max_el;
};

struct TurnOutcome {
  enum class Kind { kMove, kStop, kRefused };
  Kind kind = Kind::kRefused;
  double azimuth = 0;  // kMove: rotator frame, inside the limits
  std::string reason;  // kRefused: in words, also shown in the window
  // kRefused: why, for a program that wants a code rather than words.
  enum class Why { kOther, kOutOfRange, kNoRotator, kHeldOff };
  Why why = Why::kOther;
};

// Whether the rotator has an elevation axis (its elevation range is more than a point).
bool HasElevationAxis(const DriverStatus& status);

// Degrees within 0..360.
double WrappedDegrees(double degrees);

// How old a reading may be and still count as live: 3 s, or two poll intervals when the
// operator polls a slow controller less often than that.
Millis StaleAfterFor(int poll_ms);

class FrontEnd {
 public:
  FrontEnd(RotatorDriver& driver, FrontEndConfig config);

  // A door's request: turned, stopped, or refused with the reason shown in the window (kNothing
  // is answered kRefused with its reason, and not shown).
  TurnOutcome Carry(const DoorRequest& request, Millis now);
  // The operator's click on the rose: a compass direction.
  TurnOutcome TurnTo(double compass_deg, Millis now);
  void Stop(Millis now);
  void Tick(Millis now);
  // A request refused before it came here (by a door, or the arbiter): shown in the window.
  TurnOutcome Refuse(std::string reason);

  // Nothing while there is no fresh reading.
  std::optional<Reading> LiveReading(Millis now) const;
  // Nothing until the rotator's range is known.
  std::optional<Range> Limits() const;
  ViewState View(Millis now) const;

 private:
  TurnOutcome Turn(const DoorRequest& request, Millis now);
  TurnOutcome Refuse(TurnOutcome::Why why, std::string reason);
  bool Fresh(const DriverStatus& status, Millis now) const;
  double Compass(double rotator_deg) const;

  RotatorDriver& driver_;
  FrontEndConfig config_;
  std::optional<double> target_;          // compass, the last one sent
  std::optional<double> target_rotator_;  // the same in the rotator's frame, as sent
  unsigned refusals_seen_ = 0;            // the driver's count of refused targets
  std::string refusal_;                   // why the last request was not carried out
};

}  // namespace rotserver
