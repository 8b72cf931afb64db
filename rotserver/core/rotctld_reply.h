// rotctld's extended response mode: each command is sent with a '+' prefix and each reply is
// "<name>:" (with the arguments echoed), the values as "Label: value" lines, and "RPRT n".
// Framing needs no knowledge of the command. No sockets here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rotserver {

enum class RotctldVerb { kDumpState, kGetPos, kSetPos, kStop };

struct RotctldCommand {
  RotctldVerb verb = RotctldVerb::kGetPos;
  std::string name;    // the long name rotctld echoes in its reply: "get_pos"
  std::string line;    // as written: "+p\n"
  double azimuth = 0;  // kSetPos
  double elevation = 0;  // kSetPos
};

RotctldCommand DumpStateCommand();
RotctldCommand GetPosCommand();
// Azimuth and elevation to a hundredth of a degree.
RotctldCommand SetPosCommand(double azimuth, double elevation);
RotctldCommand StopCommand();

struct RotctldReply {
  std::string name;                // the header up to its ':'
  std::vector<std::string> lines;  // between the header and the report
  int code = 0;                    // the n of "RPRT n"
  std::string raw;                 // the whole reply as it arrived, for messages
};

// Removes one complete reply from the front of `buffer`: the lines up to and including the
// first "RPRT n" (CR tolerated). Nothing while it is incomplete.
std::optional<RotctldReply> TakeReply(std::string& buffer);

// The value of a "Label: value" line (spaces trimmed), or the line itself when it has no label.
std::string_view ValueOf(std::string_view line);

struct Position {
  double azimuth = 0;
  double elevation = 0;
};
// The body of a get_pos reply: "Azimuth: a", "Elevation: e".
std::optional<Position> ParsePosition(const std::vector<std::string>& lines);

struct AzimuthLimits {
  double min_az = 0;
  double max_az = 360;
};
struct ElevationLimits {
  double min_el = 0;
  double max_el = 90;  // equal to min_el: the rotator has no elevation axis
};
struct DumpStateLimits {
  AzimuthLimits azimuth;
  std::optional<ElevationLimits> elevation;  // when the reply gives both bounds
};
// The limits of a dump_state reply, in any of the layouts rotctld has used: "min_az=" lines
// (protocol 1 without extended mode), "Minimum Azimuth:" labels (extended mode), or bare
// positional lines (protocol 0: version, model, min_az, max_az, min_el, max_el). The numbers
// as given, believable or not (plausibility.h judges them); nothing without both azimuth
// bounds.
std::optional<DumpStateLimits> ParseDumpState(const std::vector<std::string>& lines);

// rotctld's error codes in words, as "RPRT -n (words)".
std::string ReportText(int code);

}  // namespace rotserver
