// How azimuths are written as text: in tenths for the rotator server's target command, in
// whole degrees for the actual-azimuth display. Neither depends on the user's locale.
#pragma once

#include <string>

namespace vexal {

// degrees x 10, formed exactly in extended precision, rounded to the nearest integer with an
// exact half going to the even neighbour: 0.25 -> "2", 0.75 -> "8", -5 -> "-50".
std::string TenthsText(double degrees);

// |azimuth| rounded with halves away from zero, "-" only when the rounded number is not 0:
// 123.5 -> "124", -0.4 -> "0", -0.5 -> "-1". Not reduced modulo 360.
std::string WholeDegreeText(double azimuth);

}  // namespace vexal
