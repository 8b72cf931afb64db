#include "rotserver/core/arbiter.h"

#include <algorithm>

namespace rotserver {

namespace {

constexpr Millis kHeardListedMs = 60000;

std::string AskerWords(const Asker& asker) {
  return asker.kind == Asker::Kind::kBridge ? "Logger32" : asker.name;
}

}  // namespace

TurnOutcome Arbiter::Carry(FrontEnd& front, const Asker& asker, const DoorRequest& request,
                           Millis now) {
  // A stop is never held off: whoever sees the antenna heading for trouble may stop it.
  if (request.kind == DoorRequest::Kind::kTurn && asker.kind == Asker::Kind::kProgram &&
      held_until_ && now < *held_until_) {
    const Millis left_s = (*held_until_ - now + 999) / 1000;
    TurnOutcome held{TurnOutcome::Kind::kRefused, 0,
                     "held off for " + std::to_string(left_s) +
                         " s more: the operator turned the rotator from RotServer or Logger32"};
    held.why = TurnOutcome::Why::kHeldOff;
    return held;
  }
  TurnOutcome outcome = front.Carry(request, now);
  if (outcome.kind == TurnOutcome::Kind::kMove) {
    target_from_ = asker.kind == Asker::Kind::kWindow ? std::string() : AskerWords(asker);
    if (asker.kind != Asker::Kind::kProgram && hold_off_ms_ > 0) held_until_ = now + hold_off_ms_;
  } else if (outcome.kind == TurnOutcome::Kind::kStop) {
    target_from_.clear();
  }
  return outcome;
}

void Arbiter::Connected(const std::string& name) {
  connected_.push_back(name);
}

void Arbiter::Disconnected(const std::string& name) {
  auto it = std::find(connected_.begin(), connected_.end(), name);
  if (it != connected_.end()) connected_.erase(it);
}

void Arbiter::Heard(const std::string& name, Millis now) {
  heard_[name] = now;
}

std::vector<std::string> Arbiter::Programs(Millis now) const {
  std::vector<std::string> names = connected_;
  for (const auto& [name, at] : heard_)
    if (now - at <= kHeardListedMs) names.push_back(name);
  return names;
}

}  // namespace rotserver
