// RotServer's settings dialog: the backend, the rotctld RotServer starts (found by itself,
// a controller picked from that rotctld's own list, port, speed, range, and a Test that shows
// the controller answer), and the other fields of Settings, checked on OK and stored in the
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
  kIdCommand,  // Advanced: a whole command line typed by hand
  kIdOffset,
  kIdRangeHelp,  // what the range tells Logger32-Vexal
  kIdPoll,
  kIdRotctldPath,  // rotctld.exe
  kIdBrowse,
  kIdFoundText,    // where rotctld.exe was found, or why there is no list
  kIdModel,        // the controller: typed or picked from rotctld -l
  kIdDevice,       // serial port (or host:port)
  kIdSpeed,        // "default", 1200 ... 115200
  kIdRangeChoice,  // "as rotctld reports", "0..360", "0..450", "-180..180", "other"
  kIdRangeMin,
  kIdRangeMax,
  kIdTest,
  kIdTestResult,  // what the last Test found
  // The network doors, off while blank.
  kIdServeRotctld,
  kIdServeN1mm,
  kIdN1mmRotorName,
  kIdN1mmStatusTo,
  kIdHoldOff,
  kIdNetworkWarning,  // in words, when a door is open to other computers
};

// Shows the dialog modally over `owner` with `current`. On OK with every field valid, stores
// the settings and returns them; an invalid field is refused with a box that names it and its
// allowed range, and the dialog stays open with the field focused. Nothing on Cancel.
// With `marked`, the dialog opens with that field focused and its message shown (a stored
// setting that could not be used).
std::optional<Settings> RunSettingsDialog(HWND owner, const Settings& current,
                                          const SettingsError* marked = nullptr);

}  // namespace rotserver
