// RotServer's front end over one driver: the calibration offset, the choice of a target inside
// the rotator's limits (overlap included), the status macro for the bridge and the window's
// view. Everything the bridge and the operator ask for passes here. No Win32 here.
#pragma once

#include <string>
#include <string_view>

#include "core/rotator_driver.h"
#include "core/view_state.h"

namespace rotserver {

struct FrontEndConfig {
  int offset_deg = 0;  // -180..180: compass = rotator azimuth + offset (mod 360)
  int range_mode = 1;  // line 7 of the status macro
  std::string backend_label;
};

struct TurnOutcome {
  enum class Kind { kMove, kStop, kRefused };
  Kind kind = Kind::kRefused;
  double azimuth = 0;  // kMove: rotator frame, inside the limits
  std::string reason;  // kRefused: in words, also shown in the window
};

class FrontEnd {
 public:
  FrontEnd(RotatorDriver& driver, FrontEndConfig config);

  // A target command received on "RotServConv" (the bytes as executed). The greeting and
  // anything that is no target command are ignored (kRefused with a reason).
  TurnOutcome OnBridgeCommand(std::string_view bytes, Millis now);
  // The operator's click on the rose: a compass direction.
  TurnOutcome TurnTo(double compass_deg, Millis now);
  void Stop(Millis now);
  void Tick(Millis now);

  // Ten lines, each ending CR LF (the caller adds the NUL): the latest reading as compass
  // tenths, the turning direction, the range mode; the off mark while there is no fresh reading.
  std::string StatusMacro(Millis now);
  ViewState View(Millis now) const;
};

}  // namespace rotserver
