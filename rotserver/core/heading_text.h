// The words and numbers of RotServer's heading panel and pointer read-out, and the bearing the
// operator types. Texts are UTF-8 (the degree sign and the arrow). No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/map_projection.h"
#include "rotserver/core/view_state.h"

namespace rotserver {

// The actual heading, large: "245°"; "---" before the first reading.
std::string HeadingDegrees(const ViewState& state);
// Beside it: "→ 272°" while there is a target; empty otherwise.
std::string TargetWords(const ViewState& state);
// "El 35°" from a rotator with an elevation axis; empty otherwise.
std::string ElevationWords(const ViewState& state);
// What the rotator does: "turning right", "turning left", "stopped", "no reading for 4 s",
// "no reading yet".
std::string ActivityWords(const ViewState& state);
// "Logger32-Vexal: linked" / "Logger32-Vexal: not running".
std::string BridgeWords(const ViewState& state);

// The coloured mark beside the status line, at a glance.
enum class LinkMark { kGood, kTrying, kFault };
LinkMark MarkOf(LinkState link);

// What lies under the pointer: "296°  6,480 km  FN30as" over the map, "296°" over a plain
// rose or the rim.
std::string SpotWords(const MapSpot& spot);
std::string BearingWords(int bearing_deg);

// A typed bearing: a whole number 0..360 (360 is north), blanks around it allowed.
std::optional<int> ParseBearing(std::string_view text, std::string* error);

// `from` moved by `step` degrees, whole degrees in [0, 360).
int Nudged(double from, int step);

}  // namespace rotserver
