// RotServer's settings: what the settings dialog edits and the registry keeps under
// HKCU\Software\Vexal, beside the bridge's "Program". No Win32 here.
#pragma once

#include <optional>
#include <string>

namespace rotserver {

enum class BackendKind { kSimulated, kRotctld };

struct Settings {
  BackendKind backend = BackendKind::kSimulated;  // "RotatorBackend": "simulated" / "rotctld"
  std::string rotctld_address = "127.0.0.1:4533";  // "RotctldAddress": host:port
  std::string rotctld_command;  // "RotctldCommand": started and supervised when not empty
  int offset_deg = 0;           // "CalibrationOffset": -180..180
  int range_mode = 1;           // "RangeMode": line 7 of the status macro (0 or 1)
  int poll_ms = 1000;           // "PollInterval": ms between position queries while still
};

// The dialog's fields as typed, before checking.
struct SettingsText {
  std::string backend;
  std::string rotctld_address;
  std::string rotctld_command;
  std::string offset_deg;
  std::string range_mode;
  std::string poll_ms;
};

// The fields' labels as the dialog shows them; error messages begin with them.
inline constexpr char kFieldBackend[] = "Backend";
inline constexpr char kFieldAddress[] = "rotctld address";
inline constexpr char kFieldCommand[] = "rotctld command line";
inline constexpr char kFieldOffset[] = "Calibration offset";
inline constexpr char kFieldRangeMode[] = "Range mode";
inline constexpr char kFieldPoll[] = "Poll interval";

struct SettingsError {
  std::string field;    // the field's label as the dialog shows it
  std::string message;  // names the field and its allowed range
};

// Checks every field; the first invalid one gives its error and no settings.
std::optional<Settings> ParseSettings(const SettingsText& text, SettingsError* error);
SettingsText FormatSettings(const Settings& settings);

}  // namespace rotserver
