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
  if (!long_path) return *last_;
  long_path_to_ = LongPathBearing(bearing);
  return *long_path_to_;
}

void TurnChoice::SawTarget(const std::optional<double>& target) {
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
  std::optional<double> from = state.direction != 0 && state.target ? state.target : state.azimuth;
  if (!from) return std::nullopt;
  return Turn(Nudged(*from, step), false);
}

}  // namespace rotserver
