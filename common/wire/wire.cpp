#include "wire/wire.h"

namespace wire {

namespace {
constexpr std::size_t kExtensionLength = 4;  // ".exe", but nothing checks that it is one
}

std::string StatusMacroText(long long azimuth_tenths, long long direction, long long range_mode) {
  std::string text;
  for (int line = 1; line <= kStatusLines; ++line) {
    if (line == kAzimuthLine)
      text += std::to_string(azimuth_tenths);
    else if (line == kDirectionLine)
      text += std::to_string(direction);
    else if (line == kRangeModeLine)
      text += std::to_string(range_mode);
    else
      text += '0';
    text += kLineEnd;
  }
  return text;
}

std::string RotatorServiceName(const std::string& program) {
  const std::size_t separator = program.find_last_of("\\:");
  const std::string file = separator == std::string::npos ? program : program.substr(separator + 1);
  if (file.size() <= kExtensionLength) return {};
  return file.substr(0, file.size() - kExtensionLength);
}

std::string ProgramPath(const std::string& value) {
  if (value.empty() || value.front() != '"') return value;
  const std::size_t closing = value.find('"', 1);
  if (closing == std::string::npos) return value;
  return value.substr(1, closing - 1);
}

std::string ProgramCommandLine(const std::string& value) {
  if (ProgramPath(value).empty()) return {};
  // A value that begins with a quote is taken as the operator wrote it, arguments included.
  if (value.front() == '"' || value.find(' ') == std::string::npos) return value;
  return '"' + value + '"';
}

}  // namespace wire
