// The two macros the bridge sends to the rotator server on "RotServConv", as lines.
#pragma once

#include <string>
#include <vector>

namespace vexal {

// Sent once, right after the client link opens.
std::vector<std::string> GreetingLines();

// Target and second value in tenths of a degree, then "0": 245 -> {"2450", "0", "0"}.
std::vector<std::string> TargetCommandLines(double target, double second);

}  // namespace vexal
