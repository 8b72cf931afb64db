#include "rotserver/core/turn_choice.h"

#include <cmath>

#include "rotserver/core/geodesy.h"
#include "rotserver/core/heading_text.h"
#include "rotserver/core/rose_geometry.h"

namespace rotserver {

namespace {

bool Near(double a, double b) {
  return std::fabs(NormalizeCompass(a - b + 180.0) - 180.0) < 1.0;
}

}  // namespace

double TurnChoice::Turn(double bearing, bool long_path) {
  last_ = NormalizeCompass(bearing);
  long_path_to_.reset();
  if (long_path) long_path_to_ = LongPathBearing(bearing);
  sent_ = long_path ? *long_path_to_ : *last_;
  return *sent_;
}

void TurnChoice::SawTarget(const std::optional<double>& target) {
  // A turn is taken up at once, so the next view shows it: another target there means it was
  // refused, stopped or overtaken.
  if (sent_ && !(target && Near(*target, *sent_))) sent_.reset();
  const bool changed = target && (!seen_target_ || !Near(*target, *seen_target_));
  seen_target_ = target;
  if (changed && !(long_path_to_ && Near(*target, *long_path_to_)))
    last_ = NormalizeCompass(*target);
}

std::optional<double> TurnChoice::LongPath(const ViewState& state) {
  std::optional<double> from = last_ ? last_ : state.target ? state.target : state.azimuth;
  if (!from) return std::nullopt;
  return Turn(*from, true);
}

std::optional<double> TurnChoice::Nudge(const ViewState& state, int step) {
  std::optional<double> from = sent_                                  ? sent_
                               : state.direction != 0 && state.target ? state.target
                                                                      : state.azimuth;
  if (!from) return std::nullopt;
  return Turn(Nudged(*from, step), false);
}

}  // namespace rotserver
