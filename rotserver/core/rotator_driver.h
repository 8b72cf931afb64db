// The thin drivers under RotServer's front end: each knows how to reach one kind of rotator
// and reports what it last learned, in the rotator's own frame (degrees within its limits).
// Time comes in from outside (`now`, monotonic milliseconds), so drivers run on a virtual
// clock in tests. No Win32 here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/view_state.h"

namespace rotserver {

using Millis = std::int64_t;

struct DriverStatus {
  LinkState link = LinkState::kConnecting;
  int reconnect_in_s = 0;
  std::string last_error;            // in words; "RPRT -n" included where rotctld gave one
  std::optional<double> azimuth;     // last reading, rotator frame
  Millis reading_at = 0;             // when that reading arrived
  std::optional<double> limits_min;  // mechanical range, once known
  std::optional<double> limits_max;
  std::optional<double> elevation;  // last reading, only when the rotator has an elevation axis
  // The elevation range from \dump_state, when given and believable; equal bounds (0..0): the
  // rotator has no elevation axis.
  std::optional<double> el_min, el_max;
  int direction = 0;  // -1 turning left (anticlockwise), 1 right, 0 still
  // Targets the rotator refused, counted, and the last of them (rotator frame): the front end
  // stops showing a target that was refused.
  unsigned refused_targets = 0;
  double refused_azimuth = 0;
};

class RotatorDriver {
 public:
  virtual ~RotatorDriver() = default;
  // Called often (every 50 ms or so, and after every event): polls, times out, reconnects.
  virtual void Tick(Millis now) = 0;
  // `azimuth` lies within the limits already (the front end chose it). Without `elevation`, a
  // rotator with an elevation axis keeps the elevation last read; an azimuth-only one gets 0.
  virtual void MoveTo(double azimuth, std::optional<double> elevation, Millis now) = 0;
  virtual void Stop(Millis now) = 0;
  virtual DriverStatus Status() const = 0;
};

// A non-blocking byte stream to rotctld, implemented over Winsock by the shell. The shell
// reports back through RotctldDriver::OnOpened / OnBytes / OnClosed; none of these calls
// waits.
class ByteLink {
 public:
  virtual ~ByteLink() = default;
  // Begin connecting to the configured host:port. Close() ends the connection or the attempt;
  // on a closed link it does nothing. The driver that calls Close() gets no OnClosed for it.
  virtual void Open() = 0;
  virtual void Write(std::string_view bytes) = 0;
  virtual void Close() = 0;
};

}  // namespace rotserver
