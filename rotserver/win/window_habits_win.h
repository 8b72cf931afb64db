// The habits of RotServer's window: it comes back where the operator left it (on the nearest
// monitor), can stay on top, and asks before closing while the bridge is linked.
#pragma once

#include <windows.h>

#include "rotserver/core/settings.h"

namespace rotserver {

// Moves the window to the stored box, fitted into the nearest monitor's work area.
void RestorePlacement(HWND hwnd, const Settings& settings);
// Stores the window's box and stay-on-top, and nothing else; false when it cannot.
bool StorePlacement(HWND hwnd, bool stay_on_top);
void KeepOnTop(HWND hwnd, bool on_top);
// True when the window may close: always while the bridge is not linked, else the operator's yes.
bool ConfirmClose(HWND hwnd, bool bridge_linked);

}  // namespace rotserver
