// The facts on the wire between Logger32-Vexal (the bridge), the rotator server and the test
// partners, in one place: DDE names, the status macro's layout, the off mark, the greeting, the
// settings key and the service-name rule. No Win32 here; the bridge, RotServer, the tools and
// the tests all include this header.
//
// What a well-behaved partner sends is judged elsewhere, independently (rotator-sim's
// IsWellFormedCommand, logger32-sim's order checks): this header states the layout, it does not
// check it.
#pragma once

#include <string>

namespace wire {

// DDE names. The bridge serves kStatusTopic under kBridgeService; the rotator server serves
// kCommandTopic under the service name the rule below derives from its program file.
inline constexpr char kBridgeService[] = "Logger32Vexal";
inline constexpr char kStatusTopic[] = "AntDaten";
inline constexpr char kCommandTopic[] = "RotServConv";

// The class of the bridge's window. A rotator server looks for the bridge's service only while
// such a window is there: every look is a broadcast to all top-level windows, and under Wine
// each one that nobody answers costs every DDE server in the session a little memory.
inline constexpr char kBridgeWindowClass[] = "TForm6";

// Every macro line, the last one included, ends in CR LF.
inline constexpr char kLineEnd[] = "\r\n";

// The greeting's one line: the bridge executes "HS " CR LF and a NUL once after connecting.
inline constexpr char kGreetingLine[] = "HS ";

// The status macro (rotator server -> bridge): ten lines, 1-based numbers below; every other
// line is "0". Line 1 is the azimuth in tenths of a degree, or kOffTenths while there is no
// reading (the bridge shows "AUS"); line 3 the turning direction (-1 left, 1 right, 0 none);
// line 7 the range mode.
inline constexpr int kStatusLines = 10;
inline constexpr int kAzimuthLine = 1;
inline constexpr int kDirectionLine = 3;
inline constexpr int kRangeModeLine = 7;
inline constexpr int kOffTenths = -100000;

// The status macro's bytes for the given values (no NUL).
std::string StatusMacroText(long long azimuth_tenths, long long direction, long long range_mode);

// A target command (bridge -> rotator server) has three lines: the target in tenths, the
// second value in tenths, "0"; then a NUL.
inline constexpr int kCommandLines = 3;

// The settings under HKEY_CURRENT_USER. The bridge reads kProgramValue; RotServer keeps its own
// values beside it (their names are in RotServer's table of settings).
inline constexpr char kSettingsKey[] = "Software\\Vexal";
inline constexpr char kProgramValue[] = "Program";  // the rotator server's program path

// The service-name rule: the file-name part of `program` (after the last '\' or ':') without
// its last 4 characters, whatever they are; empty when that part has 4 characters or fewer.
// "C:\Tools\Roduv.exe" -> "Roduv"; "C:\Tools\Roduv.exe /min" -> "Roduv.exe ".
std::string RotatorServiceName(const std::string& program);

// The program's path in the registry value "Program", for the service-name rule. A value that
// begins with a double quote names the program by the quoted part, and what follows the closing
// quote are its arguments: "\"C:\X\Rot.exe\" /min" -> "C:\X\Rot.exe". A value that begins
// otherwise, or whose opening quote is never closed, is the path as it stands.
std::string ProgramPath(const std::string& value);

// The command line that starts the rotator server from the registry value "Program": a value
// with a blank that does not begin with a double quote is put in double quotes, so that
// Windows cannot take "C:\Program.exe" for "C:\Program Files\...". Empty when the value
// names no program (empty, or an empty pair of quotes).
std::string ProgramCommandLine(const std::string& value);

}  // namespace wire
