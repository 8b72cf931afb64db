// Hamlib's rotctld TCP protocol, the parts the rotator server uses: framing of replies in the
// byte stream and reading them. No sockets here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rotsim {

struct Endpoint {
  std::string host;
  std::uint16_t port = 4533;
};

// "host:port", "host" (default port) or "[v6]:port". Nothing for an empty host or a bad port.
std::optional<Endpoint> ParseEndpoint(std::string_view text);

// What a request's reply looks like, so that a reply can be cut from the stream.
enum class ReplyKind {
  kPosition,   // "p": azimuth and elevation lines, or one "RPRT n" line on failure
  kReport,     // "P", "S": one "RPRT n" line
  kDumpState,  // "\dump_state": lines up to "done", or one "RPRT n" line
};

// Removes one complete reply of `kind` from the front of `buffer` and returns its lines (line
// ends removed, CR tolerated); nothing while the reply is still incomplete.
std::optional<std::vector<std::string>> TakeReply(std::string& buffer, ReplyKind kind);

// The n of an "RPRT n" line.
std::optional<int> ReportCode(std::string_view line);

struct Position {
  double azimuth = 0;
  double elevation = 0;
};
// The reply to "p"; nothing for an error report or unreadable numbers.
std::optional<Position> ParsePosition(const std::vector<std::string>& lines);

struct AzimuthLimits {
  double min_az = 0;
  double max_az = 360;
};
// The reply to "\dump_state": "min_az=" and "max_az=" lines (protocol 1), or the positional
// layout of protocol 0 (version, model, min_az, max_az, ...).
std::optional<AzimuthLimits> ParseDumpState(const std::vector<std::string>& lines);

// "P 120.0 12.50\n": azimuth to a tenth of a degree, elevation as last read.
std::string SetPositionCommand(double azimuth, double elevation);

}  // namespace rotsim
