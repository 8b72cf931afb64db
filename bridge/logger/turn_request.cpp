#include "bridge/logger/turn_request.h"

#include <string>

namespace vexal {

namespace {
constexpr std::uint64_t kTurnRequestCode = 101;
constexpr std::int64_t kLowestAzimuth = 0;
constexpr std::int64_t kHighestAzimuth = 360;
}  // namespace

bool IsTurnRequest(std::uint32_t msg_id, std::uint64_t wparam, std::int64_t lparam,
                   std::uint32_t logger_msg) {
  // Every queued message passes here: reject with the cheap comparisons first.
  if (msg_id != logger_msg || wparam != kTurnRequestCode) return false;
  // The sender's lParam is a signed 32-bit value; anything outside 0..360 in the full
  // 64-bit width is not a turn request, whatever its low half says.
  return lparam >= kLowestAzimuth && lparam <= kHighestAzimuth;
}

void HandleTurnRequest(std::uint32_t msg_id, std::uint64_t wparam, std::int64_t lparam,
                       bool handled, std::uint32_t logger_msg, RotatorState& state,
                       BridgeView& view, const std::function<bool()>& later_request_queued) {
  if (handled || !IsTurnRequest(msg_id, wparam, lparam, logger_msg)) return;

  // Asked before anything changes: the look at the queue may handle sent messages.
  const bool superseded = later_request_queued && later_request_queued();
  view.SetEditAzimutColor(clWindow);
  if (!superseded) view.SetEditAzimutText(std::to_string(lparam));
  state.PendingTarget = static_cast<double>(lparam);
  state.PendingSecond = 0.0;
}

}  // namespace vexal
