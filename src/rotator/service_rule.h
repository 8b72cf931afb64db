// The DDE service name of the rotator server, derived from its command line in the registry.
#pragma once

#include <string>

namespace vexal {

// The file-name part of `program` (after the last '\' or ':') without its last 4 characters,
// whatever they are; empty when that part has 4 characters or fewer.
// "C:\Tools\Roduv.exe" -> "Roduv"; "C:\Tools\Roduv.exe /min" -> "Roduv.exe ".
std::string RotatorServiceName(const std::string& program);

}  // namespace vexal
