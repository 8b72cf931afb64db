// RotServer window's title, and the ids of its children and menu commands, apart from the
// window itself so that the files that build its parts need nothing else of it.
#pragma once

namespace rotserver {

inline constexpr char kMainWindowTitle[] = "RotServer";

// The window's children and menu commands.
enum MainWindowId : int {
  kIdHeading = 101,  // "245°", large
  kIdTarget,         // "→ 272°", empty without a target
  kIdActivity,       // "turning right", "stopped", "no reading for 7 s"
  kIdStatusLine,     // what is wrong and what to check, in words (OperatorStatus), 3 rows
  kIdStopButton,
  kIdPointer,  // what lies under the pointer, or why a typed bearing was refused
  kIdEntry,    // the bearing to turn to
  kIdGo,
  kIdLongPath,       // "LP"
  kIdBridgeLine,     // "Logger32-Vexal: linked"
  kIdDetails,        // "Details…": the technical chain behind the status line
  kIdStatusDetails,  // hidden: that chain (StatusDetails), which the button shows
  kIdPreset1 = 121,  // .. kIdPreset1 + 5
  kIdMenuSettings = 201,
  kIdMenuExit,
  kIdMenuStation = 203,
  kIdMenuStayOnTop = 204,
  kIdMenuOfferProgram = 205,  // "Let Logger32-Vexal start this RotServer"
  kIdMenuAbout = 206,
};

}  // namespace rotserver
