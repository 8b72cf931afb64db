#include "rotserver/core/rotctld_reply.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "rotserver/core/plain_text.h"

namespace rotserver {

namespace {

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimmedBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return FiniteNumber(text);
}

std::optional<int> ReportCode(std::string_view line) {
  if (line.substr(0, 5) != "RPRT ") return std::nullopt;
  std::string_view digits = TrimmedBlanks(line.substr(5));
  int code = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  return code;
}

// The value after `label` on one of `lines`, read as a number.
std::optional<double> Labelled(const std::vector<std::string>& lines, std::string_view label) {
  for (const auto& line : lines)
    if (std::string_view(line).substr(0, label.size()) == label)
      return ParseNumber(std::string_view(line).substr(label.size()));
  return std::nullopt;
}

}  // namespace

RotctldCommand DumpStateCommand() {
  return {RotctldVerb::kDumpState, "dump_state", "+\\dump_state\n"};
}
RotctldCommand GetPosCommand() {
  return {RotctldVerb::kGetPos, "get_pos", "+p\n"};
}
RotctldCommand StopCommand() {
  return {RotctldVerb::kStop, "stop", "+S\n"};
}

RotctldCommand SetPosCommand(double azimuth, double elevation) {
  // Room for any two doubles in full: a cut line would leave rotctld waiting for its end.
  char line[2 * 320 + 8];
  std::snprintf(line, sizeof line, "+P %.2f %.2f\n", azimuth, elevation);
  return {RotctldVerb::kSetPos, "set_pos", line, azimuth, elevation};
}

std::optional<RotctldReply> TakeReply(std::string& buffer) {
  RotctldReply reply;
  bool header = true;
  std::size_t start = 0;
  for (std::size_t nl; (nl = buffer.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string_view line(buffer.data() + start, nl - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (auto code = ReportCode(line)) {
      reply.code = *code;
      reply.raw = buffer.substr(0, nl + 1);
      buffer.erase(0, nl + 1);
      return reply;
    }
    if (header && line.empty()) continue;
    if (header) {
      reply.name = std::string(line.substr(0, line.find(':')));
      header = false;
    } else {
      reply.lines.emplace_back(line);
    }
  }
  return std::nullopt;
}

std::string_view ValueOf(std::string_view line) {
  std::size_t colon = line.find(": ");
  return TrimmedBlanks(colon == std::string_view::npos ? line : line.substr(colon + 1));
}

std::optional<Position> ParsePosition(const std::vector<std::string>& lines) {
  auto az = Labelled(lines, "Azimuth:");
  auto el = Labelled(lines, "Elevation:");
  if (!az && lines.size() == 2) {  // a daemon that leaves the labels out
    az = ParseNumber(lines[0]);
    el = ParseNumber(lines[1]);
  }
  if (!az) return std::nullopt;
  return Position{*az, el.value_or(0)};
}

std::optional<DumpStateLimits> ParseDumpState(const std::vector<std::string>& lines) {
  const char* const kLabels[][4] = {
      {"Minimum Azimuth:", "Maximum Azimuth:", "Minimum Elevation:", "Maximum Elevation:"},
      {"min_az=", "max_az=", "min_el=", "max_el="}};
  std::optional<double> values[4];
  for (const auto& labels : kLabels) {
    for (int i = 0; i < 4; ++i) values[i] = Labelled(lines, labels[i]);
    if (values[0] || values[1]) break;
  }
  if (!values[0] && !values[1] && lines.size() >= 4) {
    // Protocol 0: version, model, min_az, max_az, min_el, max_el, one value a line.
    for (std::size_t i = 0; i < 4; ++i)
      values[i] = i + 2 < lines.size() ? ParseNumber(ValueOf(lines[i + 2])) : std::nullopt;
  }
  if (!values[0] || !values[1]) return std::nullopt;
  DumpStateLimits limits{{*values[0], *values[1]}, std::nullopt};
  if (values[2] && values[3]) limits.elevation = ElevationLimits{*values[2], *values[3]};
  return limits;
}

std::string ReportText(int code) {
  static const char* const kWords[] = {
      "done",
      "invalid parameter or out of range",
      "invalid configuration",
      "out of memory",
      "not implemented",
      "communication timed out",
      "input/output error",
      "internal Hamlib error",
      "protocol error",
      "command rejected by the rotator",
      "argument truncated",
      "not available",
      "target not addressable",
      "bus error",
      "bus collision",
      "invalid argument",
      "invalid VFO",
      "argument out of domain",
      "deprecated",
      "security error",
      "rotator not powered",
      "limit exceeded",
      "access denied",
  };
  std::string text = "RPRT " + std::to_string(code);
  // In 64 bits: the negation of INT_MIN does not fit an int.
  long long index = code < 0 ? -static_cast<long long>(code) : code;
  if (index < static_cast<long long>(std::size(kWords)))
    text += std::string(" (") + kWords[index] + ")";
  return text;
}

}  // namespace rotserver
