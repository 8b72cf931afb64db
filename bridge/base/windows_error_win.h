// The bridge's form of a Windows error in words (the words themselves: winui::ErrorWords).
#pragma once

#include <windows.h>

#include <string>

namespace vexal {

// "text of the system message (code)"; "error N" when the system has no text for it.
std::string FormatWindowsError(DWORD code);

}  // namespace vexal
