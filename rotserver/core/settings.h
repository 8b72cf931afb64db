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
  // The rotctld RotServer starts itself when a model is chosen and rotctld_command is empty.
  std::string rotctld_path;     // "RotctldPath": rotctld.exe
  int rotctld_model = 0;        // "RotctldModel": Hamlib's model number; 0: none chosen
  std::string rotctld_device;   // "RotctldPort": "COM3", or host:port of a network controller
  int rotctld_speed = 0;        // "RotctldSpeed": serial speed; 0: the model's default
  std::string rotator_range;    // "RotatorRange": "" (as rotctld reports) or "min..max"
};

// The dialog's fields as typed, before checking.
struct SettingsText {
  std::string backend;
  std::string rotctld_address;
  std::string rotctld_command;
  std::string offset_deg;
  std::string range_mode;
  std::string poll_ms;
  std::string rotctld_path;
  std::string rotctld_model;  // a model number or empty
  std::string rotctld_device;
  std::string rotctld_speed;  // empty: the model's default
  std::string rotator_range;
};

// The fields' labels as the dialog shows them; error messages begin with them.
inline constexpr char kFieldBackend[] = "Backend";
inline constexpr char kFieldAddress[] = "rotctld address";
inline constexpr char kFieldCommand[] = "rotctld command line";
inline constexpr char kFieldOffset[] = "Calibration offset";
inline constexpr char kFieldRangeMode[] = "Range mode";
inline constexpr char kFieldPoll[] = "Poll interval";
inline constexpr char kFieldRotctldPath[] = "rotctld.exe";
inline constexpr char kFieldModel[] = "Controller";
inline constexpr char kFieldDevice[] = "Serial port";
inline constexpr char kFieldSpeed[] = "Speed";
inline constexpr char kFieldRotatorRange[] = "Rotator range";

struct SettingsError {
  std::string field;    // the field's label as the dialog shows it
  std::string message;  // names the field and its allowed range
};

// Checks every field; the first invalid one gives its error and no settings.
std::optional<Settings> ParseSettings(const SettingsText& text, SettingsError* error);
SettingsText FormatSettings(const Settings& settings);

}  // namespace rotserver
