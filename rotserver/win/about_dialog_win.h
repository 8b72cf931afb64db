// Two read-only text boxes of RotServer.exe's resources, each with a Copy button: Help → About
// (RotServer's version, the rotctld in use with its Hamlib version, and the licences) and the
// status line's "Details…" (the technical chain, to paste into a help request).
#pragma once

#include <windows.h>

#include <string>

#include "rotserver/core/settings.h"

namespace rotserver {

inline constexpr char kAboutTitle[] = "About RotServer";
inline constexpr char kDetailsTitle[] = "RotServer: details";

// Modal. Asks the rotctld of `settings` for its version first (at most 2 s).
void RunAboutDialog(HWND owner, const Settings& settings);
// Modal. `details`: lines separated by "\n", UTF-8.
void RunDetailsDialog(HWND owner, const std::string& details);

}  // namespace rotserver
