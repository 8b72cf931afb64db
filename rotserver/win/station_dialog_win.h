// "Station and presets": the station's locator (or latitude and longitude) for the map, and
// the six preset buttons' labels and bearings. A dialog of RotServer.exe's resources.
#pragma once

#include <windows.h>

#include <optional>

#include "rotserver/core/settings.h"

namespace rotserver {

inline constexpr char kStationDialogTitle[] = "Station and presets";

// Modal; on OK the checked settings are stored and returned. Nothing on Cancel. A bad field
// keeps the dialog open with its reason in a message box and the field selected.
std::optional<Settings> RunStationDialog(HWND owner, const Settings& current);

}  // namespace rotserver
