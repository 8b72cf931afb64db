// What a status macro from the rotator server does: store the reported values, recolour the
// turn panels, show the azimuth, and send a pending target when the rotator is on.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bridge/rotator/rotator_state.h"
#include "bridge/window/bridge_view.h"

namespace vexal {

// `msg` is the macro's lines in order. Seven or more lines must be at least ten, lines 1 to 9
// integers; values are stored as each line converts, so an EConvertError or EStringListError
// leaves the earlier lines stored and the display untouched. Six lines or fewer store nothing
// but still refresh the display. `send_target_command` composes and sends the target command
// and clears PendingTarget itself; it runs only when the azimuth is shown, a target is pending
// and the rotator link is up.
void HandleStatusMacro(const std::vector<std::string>& msg, RotatorState& state, BridgeView& view,
                       const std::function<void()>& send_target_command);

}  // namespace vexal
