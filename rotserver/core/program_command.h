// A command line as the operator types it in RotServer's settings ("rotctld command line"),
// split into the program to start and its arguments, so that the program is started by its
// own path and never by a shorter name that happens to exist: Windows, given the unquoted
// C:\Program Files\Hamlib\rotctld.exe, tries C:\Program.exe first. No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rotserver {

struct ProgramCommand {
  std::string program;    // the program's path as typed, without quotes
  std::string arguments;  // what follows it, without the blanks between; may be empty
};

// The program is the quoted first word when the command begins with a double quote; otherwise
// the text up to and including the first ".exe" (any letter case) that is followed by a blank
// or the end, or, with no such ".exe", the first word. Blanks around the command do not count.
// Nothing, with the reason in words, when the command names no program: empty, an empty pair
// of quotes, or an opening quote that is never closed.
std::optional<ProgramCommand> SplitProgramCommand(std::string_view command, std::string* error);

// The command line for the program's start: its path in double quotes, then the arguments.
std::string QuotedCommandLine(const ProgramCommand& command);

}  // namespace rotserver
