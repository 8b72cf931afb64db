#include "rotserver/core/simulated_driver.h"

#include <algorithm>

namespace rotserver {

namespace {

SimulatedConfig Checked(SimulatedConfig config) {
  SimulatedConfig defaults;
  if (!(config.min_az < config.max_az)) {
    config.min_az = defaults.min_az;
    config.max_az = defaults.max_az;
  }
  if (!(config.speed_dps > 0)) config.speed_dps = defaults.speed_dps;
  config.start_az = std::clamp(config.start_az, config.min_az, config.max_az);
  return config;
}

}  // namespace

SimulatedDriver::SimulatedDriver(SimulatedConfig config)
    : config_(Checked(config)), azimuth_(config_.start_az) {}

void SimulatedDriver::Advance(Millis now) {
  if (!last_) last_ = now;
  double step = config_.speed_dps * static_cast<double>(std::max<Millis>(now - *last_, 0)) / 1000.0;
  last_ = now;
  reading_at_ = now;
  if (!target_) return;
  if (*target_ > azimuth_)
    azimuth_ = std::min(azimuth_ + step, *target_);
  else
    azimuth_ = std::max(azimuth_ - step, *target_);
  if (azimuth_ == *target_) target_.reset();
}

void SimulatedDriver::Tick(Millis now) {
  Advance(now);
}

void SimulatedDriver::MoveTo(double azimuth, std::optional<double>, Millis now) {
  Advance(now);
  target_ = std::clamp(azimuth, config_.min_az, config_.max_az);
  if (*target_ == azimuth_) target_.reset();
}

void SimulatedDriver::Stop(Millis now) {
  Advance(now);
  target_.reset();
}

DriverStatus SimulatedDriver::Status() const {
  DriverStatus s;
  s.link = LinkState::kConnected;
  s.azimuth = azimuth_;
  s.reading_at = reading_at_;
  s.limits_min = config_.min_az;
  s.limits_max = config_.max_az;
  s.el_min = s.el_max = 0;  // azimuth only: it takes no elevation and reports none
  if (target_) s.direction = *target_ > azimuth_ ? 1 : -1;
  return s;
}

}  // namespace rotserver
