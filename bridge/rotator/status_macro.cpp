#include "bridge/rotator/status_macro.h"

#include <cstdint>

#include "bridge/base/error_texts.h"
#include "bridge/base/errors.h"
#include "bridge/rotator/number_text.h"
#include "bridge/rotator/strict_integer.h"
#include "wire/wire.h"

namespace vexal {

namespace {

constexpr std::size_t kMostLinesWithoutValues = 6;

// 1-based line access that fails like an out-of-range string list index: the message carries
// the list's size, which is also the 0-based index of the first missing line.
const std::string& Line(const std::vector<std::string>& msg, std::size_t number) {
  if (number > msg.size()) {
    throw EStringListError(error_text::ListIndexBeyondMaximum(msg.size()));
  }
  return msg[number - 1];
}

std::int32_t IntegerLine(const std::vector<std::string>& msg, std::size_t number) {
  return StrictInteger(Line(msg, number));
}

// Line 1 is tenths of a degree; negative values other than the off mark are moved up once
// by a full turn.
double AzimuthFromTenths(std::int32_t tenths) {
  double azimuth = tenths / 10.0;
  if (azimuth < 0.0 && azimuth != kRotatorOff) azimuth += 360.0;
  return azimuth;
}

void StoreValues(const std::vector<std::string>& msg, RotatorState& state) {
  // Converted in line order, so that a bad line leaves the lines before it stored.
  static_assert(wire::kAzimuthLine < wire::kDirectionLine &&
                wire::kDirectionLine < wire::kRangeModeLine &&
                wire::kRangeModeLine < wire::kStatusLines);
  for (std::size_t line = 1; line < wire::kStatusLines; ++line) {
    const std::int32_t value = IntegerLine(msg, line);
    if (line == wire::kAzimuthLine) state.ActualAzimuth = AzimuthFromTenths(value);
    if (line == wire::kDirectionLine) state.TurnDirection = value;
    if (line == wire::kRangeModeLine) state.RangeMode = value;
  }
  Line(msg, wire::kStatusLines);  // its content does not matter, but it must be there
}

void ColourPanels(std::int32_t direction, BridgeView& view) {
  view.SetPanelColor(Panel::Links, clRed);
  view.SetPanelColor(Panel::Rechts, clRed);
  if (direction == -1) view.SetPanelColor(Panel::Links, clLime);
  if (direction == 1) view.SetPanelColor(Panel::Rechts, clLime);
}

}  // namespace

void HandleStatusMacro(const std::vector<std::string>& msg, RotatorState& state, BridgeView& view,
                       const std::function<void()>& send_target_command) {
  if (msg.size() > kMostLinesWithoutValues) StoreValues(msg, state);

  ColourPanels(state.TurnDirection, view);

  if (!AzimuthShown(state.ActualAzimuth)) {
    view.SetIstAzimut("AUS");  // a pending target waits for the rotator to be on again
    return;
  }
  view.SetIstAzimut(WholeDegreeText(state.ActualAzimuth));
  if (TargetPending(state) && state.RotLinkActive) send_target_command();
}

}  // namespace vexal
