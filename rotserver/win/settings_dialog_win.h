// RotServer's settings dialog: the fields of Settings, checked on OK and stored in the
// registry before the dialog closes.
#pragma once

#include <windows.h>

#include <optional>

#include "rotserver/core/settings.h"

namespace rotserver {

inline constexpr char kSettingsDialogTitle[] = "RotServer settings";
// The caption of the box that refuses an invalid field.
inline constexpr char kInvalidSettingTitle[] = "Invalid setting";

// The dialog's controls.
enum SettingsControlId : int {
  kIdBackend = 1001,  // drop-down list: "simulated", "rotctld"
  kIdAddress,
  kIdCommand,
  kIdOffset,
  kIdRangeMode,
  kIdPoll,
};

// Shows the dialog modally over `owner` with `current`. On OK with every field valid, stores
// the settings and returns them; an invalid field is refused with a box that names it and its
// allowed range, and the dialog stays open with the field focused. Nothing on Cancel. With
// `mark` (a stored value that cannot be used), the dialog opens with that field marked the same
// way.
std::optional<Settings> RunSettingsDialog(HWND owner, const Settings& current,
                                          const SettingsProblem* mark = nullptr);

}  // namespace rotserver
