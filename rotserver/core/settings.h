// RotServer's settings: what the settings dialog edits and the registry keeps under
// HKCU\Software\Vexal, beside the bridge's "Program". No Win32 here.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

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
  std::string station;          // "Station": a locator or "lat, lon"; empty: no map
  Presets presets = DefaultPresets();   // "Presets": "EU 45;JA 330;..."
  std::optional<WindowBox> window_box;  // "WindowPlacement": "x y width height"
  bool stay_on_top = false;             // "StayOnTop": "0" / "1"
};

// The dialog's fields as typed, before checking.
struct SettingsText {
  std::string backend;
  std::string rotctld_address;
  std::string rotctld_command;
  std::string offset_deg;
  std::string range_mode;
  std::string poll_ms;
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
inline constexpr char kFieldStation[] = "Station";
inline constexpr char kFieldPresets[] = "Presets";
inline constexpr char kFieldWindowBox[] = "Window placement";
inline constexpr char kFieldStayOnTop[] = "Stay on top";

struct SettingsError {
  std::string field;    // the field's label as the dialog shows it
  std::string message;  // names the field and its allowed range
};

// Checks every field; the first invalid one gives its error and no settings.
std::optional<Settings> ParseSettings(const SettingsText& text, SettingsError* error);
SettingsText FormatSettings(const Settings& settings);

// One preset as typed: a label and a bearing separated by a blank ("EU 45"); `number` (1..6)
// names it in the error.
std::optional<Preset> ParsePreset(std::string_view text, int number, std::string* error);
std::string FormatPreset(const Preset& preset);

}  // namespace rotserver
