// RotServer's settings: what the settings dialog edits and the registry keeps under
// HKCU\Software\Vexal, beside the bridge's "Program". No Win32 here.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rotserver {

enum class BackendKind { kSimulated, kRotctld };

// A favourite heading on one of the window's six buttons ("EU 45").
struct Preset {
  std::string label;  // 1..6 characters, no ';'
  int bearing_deg = 0;
};
inline constexpr int kPresetCount = 6;
using Presets = std::array<Preset, kPresetCount>;
Presets DefaultPresets();

// The window's outer rectangle where the operator left it (screen pixels).
struct WindowBox {
  int x = 0, y = 0, width = 0, height = 0;
};

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
  std::string station;          // "Station": a locator or "lat, lon"; empty: no map
  Presets presets = DefaultPresets();   // "Presets": "EU 45;JA 330;..."
  std::optional<WindowBox> window_box;  // "WindowPlacement": "x y width height"
  bool stay_on_top = false;             // "StayOnTop": "0" / "1"
  // The network doors, each off while empty.
  std::string serve_rotctld;    // "ServeRotctld": "127.0.0.1:4533"
  std::string serve_n1mm;       // "ServeN1mm": a UDP port ("12040") or host:port
  std::string n1mm_rotor_name;  // "N1mmRotorName"
  std::string n1mm_status_to;   // "N1mmStatusTo": host:port for the status datagrams
  int hold_off_s = 0;           // "HoldOffSeconds": programs held off after an operator's turn
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
  // Kept by other dialogs than the settings dialog: empty is their default.
  std::string station{};
  std::string presets{};
  std::string window_box{};
  std::string stay_on_top{};
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
inline constexpr char kFieldStation[] = "Station";
inline constexpr char kFieldPresets[] = "Presets";
inline constexpr char kFieldWindowBox[] = "Window placement";
inline constexpr char kFieldStayOnTop[] = "Stay on top";

// A value that cannot be used: typed in the dialog, or found stored.
struct SettingsProblem {
  std::string field;    // the field's label as the dialog shows it
  std::string message;  // begins with the label, names the allowed range
};
using SettingsError = SettingsProblem;

// Checks every field; the first invalid one gives its error and no settings.
std::optional<Settings> ParseSettings(const SettingsText& text, SettingsError* error);
SettingsText FormatSettings(const Settings& settings);

// One preset as typed: a label and a bearing separated by a blank ("EU 45"); `number` (1..6)
// names it in the error.
std::optional<Preset> ParsePreset(std::string_view text, int number, std::string* error);
std::string FormatPreset(const Preset& preset);

// One value as the registry holds it.
struct StoredValue {
  enum class Kind { kMissing, kString, kOtherType };
  Kind kind = Kind::kMissing;
  std::string text;  // kString: the string; kOtherType: the type's name ("REG_DWORD")
};

// The stored values, one for each field of SettingsText.
struct StoredSettings {
  StoredValue backend, rotctld_address, rotctld_command, offset_deg, range_mode, poll_ms;
  StoredValue rotctld_path, rotctld_model, rotctld_device, rotctld_speed, rotator_range;
  StoredValue station, presets, window_box, stay_on_top;
};

struct LoadedSettings {
  // The usable values; a default in place of each unusable number, the stored text of an
  // unusable address or command (so that the dialog shows it and nothing is lost).
  Settings settings;
  std::vector<SettingsProblem> problems;  // in the dialog's order; empty when all can be used
};

// Checks each stored value alone. A missing value takes its default, except the backend when
// other values are stored: the simulated rotator is used only when chosen. A value of another
// type than a string, or one that does not parse, is a problem that quotes what is stored.
LoadedSettings CheckStoredSettings(const StoredSettings& stored);

// Saving writes all values or none: `write(i)` stores value i and gives the failure in words;
// when one fails, `restore(i)` puts back what was stored before for each value written, last
// first. Nothing when all were written; otherwise the failure, which also says whether the
// earlier values are back.
std::optional<std::string> WriteAllOrNone(
    std::size_t count, const std::function<std::optional<std::string>(std::size_t)>& write,
    const std::function<bool(std::size_t)>& restore);

// The problems in one line for the status line: "bad settings: <message>; <message>".
std::string ProblemsText(const std::vector<SettingsProblem>& problems);

}  // namespace rotserver
