// The rotator server as the registry names it: the DDE service name derived from the value,
// and the command line that starts it.
#pragma once

#include <string>

namespace vexal {

// The file-name part of `program` (after the last '\' or ':') without its last 4 characters,
// whatever they are; empty when that part has 4 characters or fewer.
// "C:\Tools\Roduv.exe" -> "Roduv"; "C:\Tools\Roduv.exe /min" -> "Roduv.exe ".
std::string RotatorServiceName(const std::string& program);

// The registry value "Program" without one pair of double quotes around the whole of it, for
// the service-name rule: "\"C:\Program Files\Rot.exe\"" -> "C:\Program Files\Rot.exe".
std::string ProgramPath(const std::string& value);

// The command line that starts the rotator server from the registry value "Program": a value
// with a blank that does not begin with a double quote is put in double quotes, so that
// Windows cannot take "C:\Program.exe" for "C:\Program Files\...". Empty when the value
// names no program (empty, or an empty pair of quotes).
std::string ProgramCommandLine(const std::string& value);

}  // namespace vexal
