// The text-to-integer rule for status lines and typed targets: leading blanks, one sign,
// decimal or hexadecimal ("$", "x", "X", "0x", "0X"), nothing after, signed 32-bit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexal {

// The value, or nothing when the text does not have the accepted form or is out of range.
std::optional<std::int32_t> ParseStrictInteger(std::string_view text);

// As ParseStrictInteger, but a rejected text raises EConvertError naming the text. The text is
// 8-bit (Windows-1252) as it arrived; the error message is UTF-8.
std::int32_t StrictInteger(const std::string& text);

}  // namespace vexal
