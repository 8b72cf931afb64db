// A rotator driver whose status the test sets, recording what it was asked to do.
#pragma once

#include <optional>
#include <vector>

#include "rotserver/core/rotator_driver.h"

namespace rotserver::testing {

class FakeDriver : public RotatorDriver {
 public:
  DriverStatus status;
  std::vector<double> moves;
  std::vector<std::optional<double>> elevations;  // beside each move
  int stops = 0;

  FakeDriver(double azimuth, double min_az, double max_az) {
    status.link = LinkState::kConnected;
    status.azimuth = azimuth;
    status.limits_min = min_az;
    status.limits_max = max_az;
  }
  void Tick(Millis) override {}
  void MoveTo(double azimuth, std::optional<double> elevation, Millis) override {
    moves.push_back(azimuth);
    elevations.push_back(elevation);
  }
  void Stop(Millis) override { ++stops; }
  DriverStatus Status() const override { return status; }
};

}  // namespace rotserver::testing
