// The operator's two ways of setting a target: pressing a turn panel, or typing an azimuth
// into the target box and pressing Enter. Both only set the pending target.
#pragma once

#include "bridge/rotator/rotator_state.h"
#include "bridge/window/bridge_view.h"
#include "bridge/window/mouse_button.h"

namespace vexal {

// `tag` is the panel's Tag: 1 for PanelLinks, 3 for PanelRechts; any other sets no target.
// Left button only: lowers the panel's bevel, then toggles between going and stopping. A red
// panel means the rotator does not turn this way, so the target becomes this side's end point
// (by RangeMode); any other colour stops the rotator at ActualAzimuth.
void PanelMouseDown(Panel panel, int tag, MouseButton button, RotatorState& state,
                    BridgeView& view);

// Left button only: raises the bevel again. Releasing never stops the rotator.
void PanelMouseUp(Panel panel, MouseButton button, BridgeView& view);

// `key` is the character about to be inserted; it is set to 0 to discard it. Only digits,
// backspace and Enter pass. Enter on a non-empty box takes its text as the target; text that
// is not an integer (it can only have been pasted) raises EConvertError and leaves the
// target unchanged.
void EditAzimutKeyPress(char& key, RotatorState& state, BridgeView& view);

}  // namespace vexal
