// RotServer's one place that turns a Windows error code into words.
#pragma once

#include <windows.h>

#include <string>

namespace rotserver {

// "The system cannot find the file specified (2)"; "error 2" when the system has no text.
std::string WindowsErrorText(DWORD code);

}  // namespace rotserver
