// The rotctld that RotServer starts from the settings dialog's fields: its command line, the
// rotator's range, what a Test shows, and where rotctld.exe is looked for. No Win32 here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rotserver/core/plausibility.h"
#include "rotserver/core/rotctld_reply.h"
#include "rotserver/core/settings.h"

namespace rotserver {

// "as rotctld reports" (nothing) or the rotator's mechanical range "min..max" in degrees.
struct RotatorRange {
  int min_az = 0;
  int max_az = 360;
};
inline constexpr char kRangeAsReported[] = "as rotctld reports";
// "", "as rotctld reports" -> as reported; "0..450", "-180 .. 180" -> that range. False for
// anything else, or min not below max, or a bound outside -360..720.
bool ParseRotatorRange(std::string_view text, std::optional<RotatorRange>* out);
std::string FormatRotatorRange(const std::optional<RotatorRange>& range);

// A program path as one argument: in double quotes when it holds a blank or is empty.
std::string QuotedPath(const std::string& path);

// The command line of the rotctld the fields describe, listening on 127.0.0.1:`tcp_port` only:
// "path" -m MODEL [-r PORT] [-s SPEED] [-C min_az=..,max_az=..] -T 127.0.0.1 -t TCP_PORT.
std::string BuildRotctldCommand(const Settings& settings, int tcp_port);

// Whether RotServer starts a rotctld of its own from the fields (a model is chosen and no
// command line typed under Advanced).
bool UsesBuiltCommand(const Settings& settings);

// The operator's own range from the settings' "Rotator range", when one is set.
std::optional<AzimuthLimits> ConfiguredRange(const Settings& settings);

struct TestOutcome {
  bool answered = false;
  std::string text;  // "GS-232B answers: azimuth 123°, range -180..450", or what went wrong
};
// What a Test shows of rotctld's answers to \dump_state (`state`) and to a position query
// (`position`), each nothing when not answered in time: the answer, when the live link would
// believe it (plausibility.h), else what is wrong with it. `configured`: as ConfiguredRange.
TestOutcome JudgeTestAnswers(const std::string& model_name,
                             const std::optional<AzimuthLimits>& configured,
                             const std::optional<RotctldReply>& state,
                             const std::optional<RotctldReply>& position);
// What a Test that got a believable answer shows: "GS-232B answers: azimuth 123°, range
// -180..450" (degree sign in Windows-1252).
std::string AnswerText(const std::string& model_name, double azimuth, const AzimuthLimits& limits);
// What a Test shows when rotctld (`program_path`) ended before answering: why Windows ended it
// where Windows set the exit code (a missing DLL, a crash), else its own last words on standard
// error, else its exit code; cut to a readable length.
std::string EndedText(const std::string& program_path, const std::string& error_output,
                      unsigned long exit_code);

// `text` cut to at most `limit` bytes, at a blank where one is near, with "..." after the cut,
// so that whatever a program printed fits a label and can be read.
std::string Readable(std::string_view text, std::size_t limit = 200);

// The serial port or host:port a rotctld command line's arguments name with -r (or
// --rot-file); empty when none. Quotes around it are taken off.
std::string DeviceArgument(std::string_view arguments);
// Whether two devices are the same port: "COM3", "com3" and "\\.\COM3" are.
bool SameDevice(std::string_view a, std::string_view b);

// Where rotctld.exe is looked for, first found wins: beside RotServer.exe, each PATH folder,
// then the newest "hamlib-w64-*" under the 64-bit Program Files and the newest "hamlib-w32-*"
// under the 32-bit one (each with rotctld.exe in bin\).
struct RotctldPlaces {
  std::string own_folder;                   // RotServer.exe's folder
  std::string path_variable;                // PATH, folders separated by ';'
  std::vector<std::string> hamlib_folders;  // full paths of the Program Files "hamlib-w*" folders
};
struct FoundRotctld {
  std::string path;
  std::string where;  // "beside RotServer.exe", "on PATH", "in C:\Program Files\hamlib-w64-4.5.5"
};
std::optional<FoundRotctld> FindRotctld(const RotctldPlaces& places,
                                        const std::function<bool(const std::string&)>& exists);

// What RotServer does with the bridge's registry value "Program" (`stored`: nothing when
// missing), given its own program path.
enum class ProgramChoice {
  kWrite,     // empty, or names a file that does not exist: write our own path
  kOurs,      // already names this RotServer
  kAskFirst,  // names another existing program: only after the operator agrees
};
ProgramChoice ChooseProgram(const std::optional<std::string>& stored, const std::string& own_path,
                            const std::function<bool(const std::string&)>& exists);
// The value written: the path in double quotes, as the bridge takes it.
std::string ProgramValueFor(const std::string& own_path);

}  // namespace rotserver
