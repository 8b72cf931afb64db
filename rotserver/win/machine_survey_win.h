// What the settings dialog offers without being told: the rotctld.exe found on this machine,
// the serial ports present, and this program's own path.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "rotserver/core/rotctld_command.h"

namespace rotserver {

// RotServer.exe's full path.
std::string OwnProgramPath();
// rotctld.exe beside RotServer.exe, on PATH, or in the usual Hamlib install folders.
std::optional<FoundRotctld> LocateRotctld();
// The serial ports Windows lists (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM): "COM1", "COM3", "COM10".
std::vector<std::string> SerialPorts();

}  // namespace rotserver
