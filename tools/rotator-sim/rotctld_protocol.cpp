#include "rotctld_protocol.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace rotsim {

namespace {

std::optional<double> ParseNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

// The complete lines at the front of `buffer`, left in place; *consumed is their length.
std::vector<std::string> CompleteLines(const std::string& buffer, std::size_t* consumed) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = buffer.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::size_t end = nl;
    if (end > start && buffer[end - 1] == '\r') --end;
    lines.push_back(buffer.substr(start, end - start));
  }
  *consumed = start;
  return lines;
}

}  // namespace

std::optional<Endpoint> ParseEndpoint(std::string_view text) {
  Endpoint e;
  std::string_view host = text;
  std::optional<std::string_view> port;
  if (!text.empty() && text.front() == '[') {
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = text.substr(1, close - 1);
    std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      port = rest.substr(1);
    }
  } else if (std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    if (text.find(':') != colon) return std::nullopt;  // a bare IPv6 address needs brackets
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (host.empty()) return std::nullopt;
  e.host = std::string(host);
  if (port) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(port->data(), port->data() + port->size(), value);
    if (port->empty() || error != std::errc() || end != port->data() + port->size() || value == 0 ||
        value > 65535)
      return std::nullopt;
    e.port = static_cast<std::uint16_t>(value);
  }
  return e;
}

std::optional<int> ReportCode(std::string_view line) {
  if (line.substr(0, 5) != "RPRT ") return std::nullopt;
  std::string_view digits = line.substr(5);
  while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
  int code = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  return code;
}

std::optional<std::vector<std::string>> TakeReply(std::string& buffer, ReplyKind kind) {
  std::size_t consumed = 0;
  std::vector<std::string> lines = CompleteLines(buffer, &consumed);
  if (lines.empty()) return std::nullopt;
  std::size_t count = 0;
  if (ReportCode(lines[0])) {
    count = 1;  // an error (or, for a set command, the answer) is always one line
  } else if (kind == ReplyKind::kPosition) {
    if (lines.size() < 2) return std::nullopt;
    count = 2;
  } else if (kind == ReplyKind::kReport) {
    // Anything before the report (a chatty daemon) belongs to this reply.
    for (std::size_t i = 0; i < lines.size() && !count; ++i)
      if (ReportCode(lines[i])) count = i + 1;
  } else if (lines[0] == "0") {
    // Protocol 0 has a fixed layout and no end mark.
    if (lines.size() < 6) return std::nullopt;
    count = 6;
  } else {
    for (std::size_t i = 0; i < lines.size() && !count; ++i)
      if (lines[i] == "done" || ReportCode(lines[i])) count = i + 1;
  }
  if (!count) return std::nullopt;
  lines.resize(count);
  // Drop exactly the bytes of the lines taken.
  std::size_t cut = 0;
  for (std::size_t i = 0; i < count; ++i) cut = buffer.find('\n', cut) + 1;
  buffer.erase(0, cut);
  return lines;
}

std::optional<Position> ParsePosition(const std::vector<std::string>& lines) {
  if (lines.size() != 2) return std::nullopt;
  auto az = ParseNumber(lines[0]);
  auto el = ParseNumber(lines[1]);
  if (!az || !el) return std::nullopt;
  return Position{*az, *el};
}

std::optional<AzimuthLimits> ParseDumpState(const std::vector<std::string>& lines) {
  std::optional<double> min_az, max_az;
  for (const auto& line : lines) {
    std::string_view l = line;
    if (l.substr(0, 7) == "min_az=") min_az = ParseNumber(l.substr(7));
    if (l.substr(0, 7) == "max_az=") max_az = ParseNumber(l.substr(7));
  }
  if (!min_az && !max_az && lines.size() >= 4 && lines[0] == "0") {
    min_az = ParseNumber(lines[2]);
    max_az = ParseNumber(lines[3]);
  }
  if (!min_az || !max_az || *min_az > *max_az) return std::nullopt;
  return AzimuthLimits{*min_az, *max_az};
}

std::string SetPositionCommand(double azimuth, double elevation) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "P %.1f %.2f\n", azimuth, elevation);
  return buf;
}

}  // namespace rotsim
