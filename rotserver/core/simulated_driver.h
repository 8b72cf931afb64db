// A rotator without hardware: turns toward its target at a set speed inside a set range, on
// the clock the caller passes in. Azimuth only: an elevation given with a target is ignored. For trying the whole chain, and for tests.
#pragma once

#include <optional>

#include "rotserver/core/rotator_driver.h"

namespace rotserver {

struct SimulatedConfig {
  double speed_dps = 6;  // degrees per second
  double min_az = 0;     // mechanical range, e.g. -180..180 or 0..450
  double max_az = 360;
  double start_az = 0;  // clamped into the range
  // A range that is empty or reversed, or a speed not above 0, falls back to the default.
};

class SimulatedDriver : public RotatorDriver {
 public:
  explicit SimulatedDriver(SimulatedConfig config = {});

  void Tick(Millis now) override;
  void MoveTo(double azimuth, std::optional<double> elevation, Millis now) override;
  void Stop(Millis now) override;
  DriverStatus Status() const override;

 private:
  void Advance(Millis now);

  SimulatedConfig config_;
  double azimuth_;
  std::optional<double> target_;
  std::optional<Millis> last_;
  Millis reading_at_ = 0;
};

}  // namespace rotserver
