// RotServer's settings dialog: the backend, the rotctld RotServer starts (found by itself,
// a controller picked from that rotctld's own list, port, speed, range, and a Test that shows
// the controller answer), and the other fields of Settings, checked on OK and stored in the
// registry before the dialog closes.
#pragma once

#include <windows.h>

#include <optional>

#include "rotserver/core/settings.h"
#include "rotserver/win/settings_dialog_ids_win.h"

namespace rotserver {

// Shows the dialog modally over `owner` with `current`. On OK with every field valid, stores
// the settings and returns them; an invalid field is refused with a box that names it and its
// allowed range, and the dialog stays open with the field focused. Nothing on Cancel.
// With `marked`, the dialog opens with that field focused and its message shown (a stored
// setting that could not be used).
std::optional<Settings> RunSettingsDialog(HWND owner, const Settings& current,
                                          const SettingsError* marked = nullptr);

}  // namespace rotserver
