// The driver while the stored settings cannot be used: no rotator is reached, so every turn is
// refused, the bridge sees the off mark, and the status line says which settings are wrong.
// Nothing falls back to another rotator. No Win32 here.
#pragma once

#include <string>
#include <utility>

#include "rotserver/core/rotator_driver.h"

namespace rotserver {

class UnusableDriver : public RotatorDriver {
 public:
  explicit UnusableDriver(std::string why) {
    status_.link = LinkState::kFailed;
    status_.last_error = std::move(why);
  }
  void Tick(Millis) override {}
  void MoveTo(double, std::optional<double>, Millis) override {}
  void Stop(Millis) override {}
  DriverStatus Status() const override { return status_; }

 private:
  DriverStatus status_;
};

}  // namespace rotserver
