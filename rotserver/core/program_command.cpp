#include "rotserver/core/program_command.h"

#include <cctype>

#include "rotserver/core/plain_text.h"

namespace rotserver {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsExeAt(std::string_view text, std::size_t at) {
  static constexpr std::string_view kExe = ".exe";
  if (at + kExe.size() > text.size()) return false;
  for (std::size_t i = 0; i < kExe.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[at + i])) != kExe[i]) return false;
  const std::size_t after = at + kExe.size();
  return after == text.size() || IsBlank(text[after]);
}

// Where the unquoted program part ends: after the first ".exe" that ends a word, else at the
// first blank.
std::size_t UnquotedProgramEnd(std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at)
    if (IsExeAt(text, at)) return at + 4;
  std::size_t blank = 0;
  while (blank < text.size() && !IsBlank(text[blank])) ++blank;
  return blank;
}

std::optional<ProgramCommand> Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return std::nullopt;
}

}  // namespace

std::optional<ProgramCommand> SplitProgramCommand(std::string_view command, std::string* error) {
  command = TrimmedBlanks(command);
  if (command.empty()) return Fail(error, "the command line names no program");
  ProgramCommand out;
  std::string_view rest;
  if (command.front() == '"') {
    const std::size_t closing = command.find('"', 1);
    if (closing == std::string_view::npos)
      return Fail(error, "the double quote before the program is never closed");
    out.program = std::string(TrimmedBlanks(command.substr(1, closing - 1)));
    if (out.program.empty()) return Fail(error, "the quotes at the start name no program");
    rest = command.substr(closing + 1);
  } else {
    const std::size_t end = UnquotedProgramEnd(command);
    out.program = std::string(command.substr(0, end));
    rest = command.substr(end);
  }
  out.arguments = std::string(TrimmedBlanks(rest));
  return out;
}

std::string QuotedCommandLine(const ProgramCommand& command) {
  std::string line = "\"" + command.program + "\"";
  if (!command.arguments.empty()) line += " " + command.arguments;
  return line;
}

}  // namespace rotserver
