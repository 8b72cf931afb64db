// The bridge's registry value "Program" (HKCU\Software\Vexal), which tells Logger32-Vexal which
// rotator server to start: RotServer fills it with its own path when it is empty or names a
// file that is gone, and on the operator's request; it never replaces another existing program
// without asking.
#pragma once

#include <windows.h>

#include <string>

namespace rotserver {

// At start-up: writes our path when the value is empty or stale. The words for the status
// line when it wrote, else empty.
std::string ClaimProgramIfFree();
// The menu's "Let Logger32-Vexal start this RotServer": writes our path, after a Yes in a box
// over `owner` when the value names another existing program. The words for the status line.
std::string ClaimProgramAsked(HWND owner);

}  // namespace rotserver
