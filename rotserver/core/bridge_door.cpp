#include "rotserver/core/bridge_door.h"

#include <algorithm>

#include "rotserver/core/bridge_macro.h"
#include "toolkit/byte_text.h"
#include "wire/wire.h"

namespace rotserver {

namespace {

constexpr std::size_t kRecentMacros = 4;
constexpr int kMaxTargetTenths = 3600;

DoorRequest NotATarget(std::string reason) {
  DoorRequest request;
  request.kind = DoorRequest::Kind::kBad;
  request.reason = std::move(reason);
  return request;
}

}  // namespace

DoorRequest BridgeDoor::OnCommand(std::string_view bytes) const {
  DoorRequest request;
  if (IsGreeting(bytes)) {
    request.reason = "greeting";
    return request;
  }
  std::optional<int> tenths = TargetFromCommand(bytes);
  if (!tenths)
    return NotATarget("not a target command from the bridge: \"" + toolkit::EscapedText(bytes, 40) +
                      "\"");
  // The bridge sends nothing beyond a full turn either way: anything else is not its target.
  if (*tenths < -kMaxTargetTenths || *tenths > kMaxTargetTenths)
    return NotATarget("target " + std::to_string(*tenths) + " tenths is beyond " +
                      std::to_string(kMaxTargetTenths) + " either way: not a bearing");
  // Its stop sends back the azimuth it was shown: stop rather than turn back to where the
  // rotator was a moment ago.
  int direction = ((*tenths % 3600) + 3600) % 3600;
  if (std::find(recent_tenths_.begin(), recent_tenths_.end(), direction) != recent_tenths_.end()) {
    request.kind = DoorRequest::Kind::kStop;
    return request;
  }
  request.kind = DoorRequest::Kind::kTurn;
  request.azimuth = *tenths / 10.0;
  return request;
}

std::string BridgeDoor::StatusMacro(const std::optional<Reading>& reading) {
  if (!reading) return wire::StatusMacroText(wire::kOffTenths, 0, range_mode_);
  int tenths = CompassTenths(reading->compass);
  recent_tenths_.push_back(tenths);
  if (recent_tenths_.size() > kRecentMacros) recent_tenths_.pop_front();
  return wire::StatusMacroText(tenths, reading->direction, range_mode_);
}

}  // namespace rotserver
