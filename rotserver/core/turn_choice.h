// Which bearing the operator's window commands mean: the short path to a bearing, its long
// path, the long path of the last bearing (LP), and a nudge. No Win32 here.
#pragma once

#include <optional>

#include "rotserver/core/view_state.h"

namespace rotserver {

class TurnChoice {
 public:
  // The bearing to send for a turn to `bearing` (short path, or long path: + 180°), in
  // [0, 360); `bearing` becomes the last bearing.
  double Turn(double bearing, bool long_path);
  // The target the rotator reports: a new one from elsewhere (the bridge, Logger32) becomes the
  // last bearing, unless it is the long path this window sent.
  void SawTarget(const std::optional<double>& target);
  // LP: the long path of the last bearing, else of the target, else of the heading; nothing
  // before any of them is known.
  std::optional<double> LongPath(const ViewState& state);
  // `step` degrees on from the last bearing this window sent while the rotator's target is
  // still that one (so that nudges add up however fast they come, before the view catches up),
  // else from where the rotator is going while it turns, else from where it points.
  std::optional<double> Nudge(const ViewState& state, int step);
  // The operator stopped the rotator: its target is gone.
  void Stopped() { sent_.reset(); }

 private:
  std::optional<double> last_;          // the short path LP reverses
  std::optional<double> long_path_to_;  // the long path sent last
  std::optional<double> seen_target_;
  std::optional<double> sent_;  // the last bearing sent, until the view shows another target
};

}  // namespace rotserver
