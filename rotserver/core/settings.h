// RotServer's settings: what its dialogs edit and the registry keeps under HKCU\Software\Vexal,
// beside the bridge's "Program". Each setting is declared once, as one row of SettingRows():
// its label, its registry value, its member, its scope, its default and its check. No Win32
// here.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <span>
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

// The window's outer rectangle where the operator left it, in workspace coordinates (those of
// GetWindowPlacement: a monitor's work area starts at its taskbar's edge).
struct WindowBox {
  int x = 0, y = 0, width = 0, height = 0;
};

// The box moved into `work` (a monitor's work area, in the box's coordinates): at least
// `min_size` and at most the work area in each direction, and wholly inside it, so that the
// title bar can be reached.
WindowBox FitWindowBox(const WindowBox& box, const WindowBox& work, int min_size);

// The settings in use. A default-constructed Settings holds every row's default.
struct Settings {
  Settings();

  BackendKind backend{};
  std::string rotctld_address;  // host:port of a rotctld started by hand
  std::string rotctld_command;  // started and supervised when not empty
  int offset_deg = 0;           // compass = rotator azimuth + offset
  int poll_ms = 0;              // between position queries while the rotator stands
  // The rotctld RotServer starts itself when a model is chosen and rotctld_command is empty.
  std::string rotctld_path;    // rotctld.exe
  int rotctld_model = 0;       // Hamlib's model number; 0: none chosen
  std::string rotctld_device;  // "COM3", or host:port of a network controller
  int rotctld_speed = 0;       // serial speed; 0: the model's default
  std::string rotator_range;   // "" (as rotctld reports) or "min..max"
  // The network doors; "" keeps a door shut.
  std::string serve_rotctld;    // rotctld's protocol over TCP: "127.0.0.1:4533"
  std::string serve_n1mm;       // N1MM-style rotor packets over UDP: "12040" or "addr:port"
  std::string n1mm_rotor_name;  // the rotor's name in those packets
  std::string n1mm_status_to;   // host:port the heading is sent to
  int hold_off_s = 0;  // after a turn from the window or the bridge, the doors wait this long
  // The window's own values.
  std::string station;  // a locator or "lat, lon"; empty: no map
  Presets presets;
  std::optional<WindowBox> window_box;
  bool stay_on_top = false;
};

// The settings as typed or stored, one text per row.
struct SettingsText {
  std::string backend, rotctld_address, rotctld_command, offset_deg, poll_ms;
  std::string rotctld_path, rotctld_model, rotctld_device, rotctld_speed, rotator_range;
  std::string serve_rotctld, serve_n1mm, n1mm_rotor_name, n1mm_status_to, hold_off_s;
  std::string station, presets, window_box, stay_on_top;
};

// Who edits a setting: the settings dialog (the rotator and the network doors), or the window
// (its place, stay on top, and the station dialog's station and presets). A bad value of the
// window's never stops the rotator; each dialog checks and writes its own scope only.
enum class SettingScope { kRotator, kWindow };

struct SettingRow {
  const char* label;       // as the dialog shows it; every message about it begins with it
  const char* value_name;  // REG_SZ under HKCU\Software\Vexal
  std::string SettingsText::*text;
  SettingScope scope;
  const char* default_text;
  // Takes the text into its member of `out`, or gives the message (beginning with the label).
  bool (*read)(const SettingRow& row, std::string_view text, Settings& out, std::string* error);
  std::string (*write)(const Settings& settings);
};

// Every setting, in the dialogs' order.
std::span<const SettingRow> SettingRows();
const SettingRow* FindSettingRow(std::string_view label);

// The fields' labels as the dialogs show them; error messages begin with them.
inline constexpr char kFieldBackend[] = "Backend";
inline constexpr char kFieldAddress[] = "rotctld address";
inline constexpr char kFieldCommand[] = "rotctld command line";
inline constexpr char kFieldOffset[] = "Calibration offset";
inline constexpr char kFieldPoll[] = "Poll interval";
inline constexpr char kFieldRotctldPath[] = "rotctld.exe";
inline constexpr char kFieldModel[] = "Controller";
inline constexpr char kFieldDevice[] = "Serial port";
inline constexpr char kFieldSpeed[] = "Speed";
inline constexpr char kFieldRotatorRange[] = "Rotator range";
inline constexpr char kFieldServeRotctld[] = "rotctld clients";
inline constexpr char kFieldServeN1mm[] = "N1MM rotor commands";
inline constexpr char kFieldN1mmRotorName[] = "N1MM rotor name";
inline constexpr char kFieldN1mmStatusTo[] = "N1MM heading to";
inline constexpr char kFieldHoldOff[] = "Hold others off";
inline constexpr char kFieldStation[] = "Station";
inline constexpr char kFieldPresets[] = "Presets";
inline constexpr char kFieldWindowBox[] = "Window placement";
inline constexpr char kFieldStayOnTop[] = "Stay on top";

// A value that cannot be used: typed in a dialog, or found stored.
struct SettingsProblem {
  std::string field;    // the field's label as the dialog shows it
  std::string message;  // begins with the label, names the allowed range
};
using SettingsError = SettingsProblem;

// Checks every field of `scope` (all with none) on top of `base`, which keeps the others; the
// first invalid one gives its error and no settings.
std::optional<Settings> ParseSettings(const SettingsText& text, SettingsError* error,
                                      std::optional<SettingScope> scope = std::nullopt,
                                      const Settings& base = Settings{});
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

// The stored values by their registry names; a name not in it is missing.
using StoredSettings = std::map<std::string, StoredValue, std::less<>>;

struct LoadedSettings {
  // The usable values; a default in place of each unusable number, the stored text of an
  // unusable address, port or command (so that the dialog shows it and nothing is lost).
  Settings settings;
  std::vector<SettingsProblem> problems;         // the rotator's, in the dialog's order
  std::vector<SettingsProblem> window_problems;  // the window's: their defaults are used
};

// Whether any value of the rotator's scope is stored: without one, this is the first start.
bool RotatorStored(const StoredSettings& stored);

// Checks each stored value alone. A missing value takes its default, except the backend when
// other values of the rotator are stored: the simulated rotator is used only when chosen. A
// value of another type than a string, or one that does not parse, is a problem that quotes
// what is stored.
LoadedSettings CheckStoredSettings(const StoredSettings& stored);

// Saving writes all values or none: `write(i)` stores value i and gives the failure in words;
// when one fails, `restore(i)` puts back what was stored before for each value written, last
// first. Nothing when all were written; otherwise the failure, which also says whether the
// earlier values are back.
std::optional<std::string> WriteAllOrNone(
    std::size_t count, const std::function<std::optional<std::string>(std::size_t)>& write,
    const std::function<bool(std::size_t)>& restore);

// The problems in one line for the status line: "bad settings: <message> <message>".
std::string ProblemsText(const std::vector<SettingsProblem>& problems);

}  // namespace rotserver
