// Turn requests that Logger32 posts: the registered Logger message with wParam 101 and the
// azimuth in whole degrees in lParam. Called for every message the main loop takes.
#pragma once

#include <cstdint>

#include "bridge/rotator/rotator_state.h"
#include "bridge/window/bridge_view.h"

namespace vexal {

// Does nothing unless the message is an unhandled turn request with an azimuth of 0 to 360;
// then shows the azimuth in the target box and makes it the pending target. With no Logger32
// found, logger_msg is 0 and id 0 matches.
void HandleTurnRequest(std::uint32_t msg_id, std::uint64_t wparam, std::int64_t lparam,
                       bool handled, std::uint32_t logger_msg, RotatorState& state,
                       BridgeView& view);

}  // namespace vexal
