// Colour numbers as the window stores and reports them: 0x00BBGGRR, or 0xFF0000ii for the
// system colour with index ii. Panels keep exactly the number last set, without conversion.
#pragma once

#include <cstdint>

namespace vexal {

using TColor = std::uint32_t;

inline constexpr TColor clRed = 0x000000FF;
inline constexpr TColor clLime = 0x0000FF00;
inline constexpr TColor clYellow = 0x0000FFFF;
inline constexpr TColor clBlue = 0x00FF0000;
inline constexpr TColor clWindow = 0xFF000005;      // COLOR_WINDOW
inline constexpr TColor clWindowText = 0xFF000008;  // COLOR_WINDOWTEXT
inline constexpr TColor clBtnFace = 0xFF00000F;     // COLOR_BTNFACE

inline constexpr bool IsSystemColor(TColor c) { return (c >> 24) == 0xFF; }

}  // namespace vexal
