#include "rotserver/core/bridge_macro.h"

#include <charconv>
#include <cmath>

namespace rotserver {

using namespace std::string_view_literals;

bool IsGreeting(std::string_view bytes) {
  return bytes == "HS \r\n\0"sv || bytes == "HS \r\n"sv;
}

std::optional<int> TargetFromCommand(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  std::optional<int> first;
  for (int line = 0; line < 3; ++line) {
    std::size_t end = bytes.find("\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view text = bytes.substr(0, end);
    int value = 0;
    auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size())
      return std::nullopt;
    if (!first) first = value;
    bytes.remove_prefix(end + 2);
  }
  if (!bytes.empty()) return std::nullopt;
  return first;
}

int CompassTenths(double compass_deg) {
  long tenths = std::lround(compass_deg * 10.0) % 3600;
  return static_cast<int>(tenths < 0 ? tenths + 3600 : tenths);
}

}  // namespace rotserver
