// Bytes as text and back: how the partners and RotServer log what they received, and how the
// partners read what to send from a command line or a script. No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace toolkit {

// "48 53 20 0D 0A 00"
std::string HexBytes(std::string_view bytes);

// Printable ASCII as is; \r \n \t \0 \\ \" and \xHH for everything else. Past `max_chars`
// of text the rest is left out and "..." says so (for status lines and error texts).
std::string EscapedText(std::string_view bytes, std::size_t max_chars = std::string::npos);

// The reverse of EscapedText for macros given on the command line or in a script: \r \n \t
// \0 \\ \xHH. Nothing when an escape is malformed.
std::optional<std::string> Unescape(std::string_view text);

}  // namespace toolkit
