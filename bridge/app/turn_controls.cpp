#include "bridge/app/turn_controls.h"

#include "bridge/rotator/strict_integer.h"

namespace vexal {

namespace {

constexpr char kBackspace = 8;
constexpr char kEnter = 13;
constexpr int kTagLinks = 1;
constexpr int kTagRechts = 3;

struct EndPoints {
  double left;
  double right;
};

// Range mode 0 is the -180..180 rotator, anything else 0..360.
EndPoints EndPointsFor(std::int32_t range_mode) {
  if (range_mode == 0) return {-179.0, 179.0};
  return {1.0, 359.0};
}

bool PassesKey(char key) {
  return key == kBackspace || key == kEnter || (key >= '0' && key <= '9');
}

}  // namespace

void PanelMouseDown(Panel panel, int tag, MouseButton button, RotatorState& state,
                    BridgeView& view) {
  if (button != MouseButton::Left) return;
  view.SetPanelLowered(panel, true);

  const EndPoints ends = EndPointsFor(state.RangeMode);
  double end_point;
  if (tag == kTagLinks) {
    end_point = ends.left;
  } else if (tag == kTagRechts) {
    end_point = ends.right;
  } else {
    return;
  }

  // Red: not turning towards this side, so go there. Otherwise stop where the rotator stands;
  // while it is off that is -10000, which also drops a pending target.
  state.PendingTarget = view.PanelColor(panel) == clRed ? end_point : state.ActualAzimuth;
}

void PanelMouseUp(Panel panel, MouseButton button, BridgeView& view) {
  if (button == MouseButton::Left) view.SetPanelLowered(panel, false);
}

void EditAzimutKeyPress(char& key, RotatorState& state, BridgeView& view) {
  view.SetEditAzimutColor(clYellow);  // edited and not yet taken
  if (!PassesKey(key)) {
    key = 0;
    return;
  }
  if (key != kEnter) return;

  const std::string text = view.EditAzimutText();
  if (text.empty()) return;
  view.SetEditAzimutColor(clWindow);
  state.PendingTarget = StrictInteger(text);
  state.PendingSecond = 0.0;
  // Enter itself is left to the box, which inserts nothing for it.
}

}  // namespace vexal
