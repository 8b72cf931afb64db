#include "rotserver/core/front_end.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "rotserver/core/bridge_macro.h"
#include "toolkit/byte_text.h"
#include "wire/wire.h"

namespace rotserver {

namespace {

constexpr std::size_t kRecentMacros = 4;
constexpr int kMaxTargetTenths = 3600;
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

TurnOutcome FrontEnd::OnBridgeCommand(std::string_view bytes, Millis now) {
  if (IsGreeting(bytes)) return {TurnOutcome::Kind::kRefused, 0, "greeting"};
  std::optional<int> tenths = TargetFromCommand(bytes);
  if (!tenths) return Refuse("not a target command from the bridge: \"" + toolkit::EscapedText(bytes, 40) + "\"");
  // The bridge sends nothing beyond a full turn either way: anything else is not its target.
  if (*tenths < -kMaxTargetTenths || *tenths > kMaxTargetTenths)
    return Refuse("target " + std::to_string(*tenths) + " tenths is beyond " +
                  std::to_string(kMaxTargetTenths) + " either way: not a bearing");
  // The bridge's stop (its lime panel) sends back the azimuth it was shown: stop rather than
  // turn back to where the rotator was a moment ago.
  int direction = ((*tenths % 3600) + 3600) % 3600;
  if (std::find(recent_tenths_.begin(), recent_tenths_.end(), direction) != recent_tenths_.end()) {
    Stop(now);
    return {TurnOutcome::Kind::kStop, 0, ""};
  }
  return TurnTo(*tenths / 10.0, now);
}

TurnOutcome FrontEnd::TurnTo(double compass_deg, Millis now) {
  DriverStatus status = driver_.Status();
  if (!std::isfinite(compass_deg)) return Refuse("no direction given");
  if (status.link != LinkState::kConnected) return Refuse("the rotator is not connected");
  // A controller that stopped answering would take the target when it comes back, long after
  // the operator asked; the bridge keeps its own target pending while the rotator shows off.
  if (!Fresh(status, now)) return Refuse("no reading from the rotator: target not sent");
  if (!status.limits_min || !status.limits_max)
    return Refuse("the rotator's range is not known yet");
  double rotator_deg = compass_deg - config_.offset_deg;
  std::optional<double> azimuth =
      NearestInside(rotator_deg, *status.limits_min, *status.limits_max, status.azimuth);
  if (!azimuth) {
    std::string reason = RoundedDegrees(Wrapped(compass_deg)) + " is outside the rotator's range " +
                         RoundedDegrees(*status.limits_min) + ".." + RoundedDegrees(*status.limits_max);
    if (config_.offset_deg) reason += " (offset " + std::to_string(config_.offset_deg) + ")";
    return Refuse(reason);
  }
  driver_.MoveTo(*azimuth, std::nullopt, now);
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

std::string FrontEnd::StatusMacro(Millis now) {
  DriverStatus status = driver_.Status();
  if (!Fresh(status, now)) return wire::StatusMacroText(wire::kOffTenths, 0, config_.range_mode);
  int tenths = CompassTenths(*status.azimuth + config_.offset_deg);
  recent_tenths_.push_back(tenths);
  if (recent_tenths_.size() > kRecentMacros) recent_tenths_.pop_front();
  return wire::StatusMacroText(tenths, status.direction, config_.range_mode);
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
  view.target = target_;
  view.direction = view.stale ? 0 : status.direction;
  view.min_az = status.limits_min.value_or(0);
  view.max_az = status.limits_max.value_or(360);
  view.offset_deg = config_.offset_deg;
  return view;
}

}  // namespace rotserver
