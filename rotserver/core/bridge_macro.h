// The bytes exchanged with the bridge over DDE: its target commands on "RotServConv" and our
// status macros on "AntDaten" (whose layout wire/wire.h states). No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rotserver {

// The greeting the bridge sends once after connecting: "HS " CR LF NUL.
bool IsGreeting(std::string_view bytes);

// Line 1 (the target in tenths of a degree) of a target command: three integer lines, each
// followed by CR LF, then one NUL (tolerated when missing). Nothing for anything else.
std::optional<int> TargetFromCommand(std::string_view bytes);

// Compass degrees to the tenths of line 1: rounded, halves away from zero, within 0..3599.
int CompassTenths(double compass_deg);

}  // namespace rotserver
