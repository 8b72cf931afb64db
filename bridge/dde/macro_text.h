// The text forms of a macro, the list of lines that one DDE execute carries, and the service
// name a program registers under. No Win32 here: unit-tested natively.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexal::dde {

// Incoming execute text (already cut at its first zero byte and at the data size) split into
// lines: CR LF, a lone CR and a lone LF each end a line; a break at the very end starts no
// further line; nothing is trimmed.
std::vector<std::string> SplitMacroLines(std::string_view text);

// Outgoing execute text: each line followed by CR LF. A line holding a zero byte ends the
// text there, as the receiver stops at the first zero. The data sent is this plus one NUL.
std::string MacroText(const std::vector<std::string>& lines);

// The DDE service name of a program: its file name (after the last '\' or ':') up to, not
// including, the first '.'. Letter case is kept.
std::string ServiceNameFromPath(std::string_view module_path);

// DDEML copies names and command lines into buffers of 256 bytes; longer ones are refused
// rather than cut, so that a truncated name never reaches another program.
constexpr std::size_t kMaxDdeNameLength = 255;

}  // namespace vexal::dde
