// RotServer settings dialog's title and the ids of its controls, apart from the dialog itself
// so that its layout and its rotctld part need nothing else of it.
#pragma once

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

}  // namespace rotserver
