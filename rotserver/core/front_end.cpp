#include "rotserver/core/front_end.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rotserver {

namespace {

constexpr double kEpsilon = 1e-6;

double Wrapped(double degrees) {
  double d = std::fmod(degrees, 360.0);
  return d < 0 ? d + 360.0 : d;
}

std::string RoundedDegrees(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", std::round(value * 10) / 10);
  return text;
}

}  // namespace

std::optional<double> NearestInside(double rotator_deg, double min_az, double max_az,
                                    std::optional<double> current) {
  double base = Wrapped(rotator_deg);
  double reference = current.value_or(base);
  std::optional<double> best;
  for (int turns = -3; turns <= 3; ++turns) {
    double candidate = base + 360.0 * turns;
    if (candidate < min_az - kEpsilon || candidate > max_az + kEpsilon) continue;
    candidate = std::clamp(candidate, min_az, max_az);
    if (!best || std::fabs(candidate - reference) < std::fabs(*best - reference)) best = candidate;
  }
  return best;
}

double WrappedDegrees(double degrees) {
  return Wrapped(degrees);
}

bool HasElevationAxis(const DriverStatus& status) {
  // An azimuth-only rotator reports its elevation range as 0..0.
  return status.el_min && status.el_max && *status.el_max > *status.el_min;
}

Millis StaleAfterFor(int poll_ms) {
  return std::max<Millis>(3000, 2 * static_cast<Millis>(poll_ms));
}

FrontEnd::FrontEnd(RotatorDriver& driver, FrontEndConfig config)
    : driver_(driver), config_(std::move(config)) {}

double FrontEnd::Compass(double rotator_deg) const {
  return Wrapped(rotator_deg + config_.offset_deg);
}

bool FrontEnd::Fresh(const DriverStatus& status, Millis now) const {
  return status.link == LinkState::kConnected && status.azimuth &&
         now - status.reading_at <= config_.stale_after_ms;
}

TurnOutcome FrontEnd::Refuse(std::string reason) {
  refusal_ = reason;
  return {TurnOutcome::Kind::kRefused, 0, std::move(reason)};
}

TurnOutcome FrontEnd::Refuse(TurnOutcome::Why why, std::string reason) {
  TurnOutcome outcome = Refuse(std::move(reason));
  outcome.why = why;
  return outcome;
}

TurnOutcome FrontEnd::Carry(const DoorRequest& request, Millis now) {
  switch (request.kind) {
    case DoorRequest::Kind::kNothing:
      return {TurnOutcome::Kind::kRefused, 0, request.reason};
    case DoorRequest::Kind::kBad:
      return Refuse(request.reason);
    case DoorRequest::Kind::kStop:
      Stop(now);
      return {TurnOutcome::Kind::kStop, 0, ""};
    case DoorRequest::Kind::kTurn:
      break;
  }
  return Turn(request, now);
}

TurnOutcome FrontEnd::TurnTo(double compass_deg, Millis now) {
  return Turn(DoorRequest::TurnTo(compass_deg), now);
}

TurnOutcome FrontEnd::Turn(const DoorRequest& request, Millis now) {
  const double compass_deg = request.azimuth;
  DriverStatus status = driver_.Status();
  if (!std::isfinite(compass_deg)) return Refuse("no direction given");
  if (status.link != LinkState::kConnected)
    return Refuse(TurnOutcome::Why::kNoRotator, "the rotator is not connected");
  // A controller that stopped answering would take the target when it comes back, long after
  // the operator asked; the bridge keeps its own target pending while the rotator shows off.
  if (!Fresh(status, now))
    return Refuse(TurnOutcome::Why::kNoRotator, "no reading from the rotator: target not sent");
  if (!status.limits_min || !status.limits_max)
    return Refuse(TurnOutcome::Why::kNoRotator, "the rotator's range is not known yet");
  double rotator_deg = compass_deg - config_.offset_deg;
  std::optional<double> azimuth;
  if (!request.exact) {
    azimuth = NearestInside(rotator_deg, *status.limits_min, *status.limits_max, status.azimuth);
  } else if (rotator_deg >= *status.limits_min - kEpsilon &&
             rotator_deg <= *status.limits_max + kEpsilon) {
    // A program names the very position (400 on a 0..450 rotator), not just a direction.
    azimuth = std::clamp(rotator_deg, *status.limits_min, *status.limits_max);
  }
  if (!azimuth) {
    const double shown = request.exact ? compass_deg : Wrapped(compass_deg);
    std::string reason =
        RoundedDegrees(shown) + " is outside the rotator's range " +
        RoundedDegrees(*status.limits_min + (request.exact ? config_.offset_deg : 0)) + ".." +
        RoundedDegrees(*status.limits_max + (request.exact ? config_.offset_deg : 0));
    if (config_.offset_deg && !request.exact)
      reason += " (offset " + std::to_string(config_.offset_deg) + ")";
    return Refuse(TurnOutcome::Why::kOutOfRange, reason);
  }
  // Only a rotator with an elevation axis takes one; an azimuth-only rotator takes the azimuth.
  std::optional<double> elevation;
  if (request.elevation && HasElevationAxis(status)) {
    if (!std::isfinite(*request.elevation) || *request.elevation < *status.el_min - kEpsilon ||
        *request.elevation > *status.el_max + kEpsilon)
      return Refuse(TurnOutcome::Why::kOutOfRange,
                    "elevation " + RoundedDegrees(*request.elevation) +
                        " is outside the rotator's range " + RoundedDegrees(*status.el_min) + ".." +
                        RoundedDegrees(*status.el_max));
    elevation = std::clamp(*request.elevation, *status.el_min, *status.el_max);
  }
  driver_.MoveTo(*azimuth, elevation, now);
  target_ = Wrapped(compass_deg);
  target_rotator_ = *azimuth;
  refusal_.clear();
  return {TurnOutcome::Kind::kMove, *azimuth, ""};
}

void FrontEnd::Stop(Millis now) {
  driver_.Stop(now);
  target_.reset();
  target_rotator_.reset();
  refusal_.clear();
}

void FrontEnd::Tick(Millis now) {
  driver_.Tick(now);
  DriverStatus status = driver_.Status();
  // A target is not carried over a lost connection, so it is not shown past one either; nor
  // one the rotator refused.
  if (status.link != LinkState::kConnected) target_.reset();
  if (status.refused_targets != refusals_seen_) {
    refusals_seen_ = status.refused_targets;
    if (target_rotator_ && std::fabs(*target_rotator_ - status.refused_azimuth) < kEpsilon)
      target_.reset();
  }
  if (!target_) target_rotator_.reset();
}

std::optional<Reading> FrontEnd::LiveReading(Millis now) const {
  DriverStatus status = driver_.Status();
  if (!Fresh(status, now)) return std::nullopt;
  Reading reading;
  reading.compass = Compass(*status.azimuth);
  reading.position = *status.azimuth + config_.offset_deg;
  reading.elevation = status.elevation;
  reading.direction = status.direction;
  return reading;
}

std::optional<Range> FrontEnd::Limits() const {
  DriverStatus status = driver_.Status();
  if (!status.limits_min || !status.limits_max) return std::nullopt;
  Range range;
  range.min_az = *status.limits_min + config_.offset_deg;
  range.max_az = *status.limits_max + config_.offset_deg;
  if (HasElevationAxis(status)) {
    range.min_el = status.el_min;
    range.max_el = status.el_max;
  }
  return range;
}

ViewState FrontEnd::View(Millis now) const {
  DriverStatus status = driver_.Status();
  ViewState view;
  view.backend_label = config_.backend_label;
  view.link = status.link;
  view.reconnect_in_s = status.reconnect_in_s;
  view.last_error = refusal_.empty() ? status.last_error : refusal_;
  if (status.azimuth) {
    view.azimuth = Compass(*status.azimuth);
    view.stale = !Fresh(status, now);
    view.seconds_since_reading =
        static_cast<int>(std::max<Millis>(now - status.reading_at, 0) / 1000);
  }
  if (HasElevationAxis(status)) view.elevation = status.elevation;
  view.target = target_;
  view.direction = view.stale ? 0 : status.direction;
  view.min_az = status.limits_min.value_or(0);
  view.max_az = status.limits_max.value_or(360);
  view.offset_deg = config_.offset_deg;
  return view;
}

}  // namespace rotserver
