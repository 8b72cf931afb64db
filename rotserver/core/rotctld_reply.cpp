#include "core/rotctld_reply.h"

namespace rotserver {

RotctldCommand DumpStateCommand() { return {RotctldVerb::kDumpState, "dump_state", "+\\dump_state\n"}; }
RotctldCommand GetInfoCommand() { return {RotctldVerb::kGetInfo, "get_info", "+\\get_info\n"}; }
RotctldCommand GetPosCommand() { return {RotctldVerb::kGetPos, "get_pos", "+p\n"}; }
RotctldCommand SetPosCommand(double azimuth, double) { return {RotctldVerb::kSetPos, "set_pos", "+P\n", azimuth}; }
RotctldCommand StopCommand() { return {RotctldVerb::kStop, "stop", "+S\n"}; }
std::optional<RotctldReply> TakeReply(std::string&) { return std::nullopt; }
std::string_view ValueOf(std::string_view line) { return line; }
std::optional<Position> ParsePosition(const std::vector<std::string>&) { return std::nullopt; }
std::optional<AzimuthLimits> ParseDumpState(const std::vector<std::string>&) { return std::nullopt; }
std::string ReportText(int code) { return "RPRT " + std::to_string(code); }

}  // namespace rotserver
