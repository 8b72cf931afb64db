// Turn requests that Logger32 posts: the registered Logger message with wParam 101 and the
// azimuth in whole degrees in lParam. Called for every message the main loop takes.
#pragma once

#include <cstdint>
#include <functional>

#include "bridge/rotator/rotator_state.h"
#include "bridge/window/bridge_view.h"

namespace vexal {

// Whether the message is a turn request with an azimuth of 0 to 360. With no Logger32 found,
// logger_msg is 0 and id 0 matches.
bool IsTurnRequest(std::uint32_t msg_id, std::uint64_t wparam, std::int64_t lparam,
                   std::uint32_t logger_msg);

// Does nothing unless the message is an unhandled turn request; then makes its azimuth the
// pending target and shows it in the target box. The text is left out when
// later_request_queued says that another turn request already waits in the queue: that one
// replaces it before the box can next be painted, and under Wine each text costs about a
// millisecond, so a burst from Logger32 would otherwise hold up everything queued behind it.
void HandleTurnRequest(std::uint32_t msg_id, std::uint64_t wparam, std::int64_t lparam,
                       bool handled, std::uint32_t logger_msg, RotatorState& state,
                       BridgeView& view, const std::function<bool()>& later_request_queued = {});

}  // namespace vexal
