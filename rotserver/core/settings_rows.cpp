// The table of RotServer's settings and the reader of each kind of value.
#include <cctype>

#include "rotserver/core/geodesy.h"
#include "rotserver/core/plain_text.h"
#include "rotserver/core/program_command.h"
#include "rotserver/core/rotctld_command.h"
#include "rotserver/core/settings.h"
#include "rotserver/core/settings_checks.h"

namespace rotserver {

namespace {

using Scope = SettingScope;

bool Fail(const SettingRow& row, std::string* error, const std::string& rule) {
  if (error) *error = std::string(row.label) + " must be " + rule;
  return false;
}

// Rules in words, after "<label> must be ".
constexpr char kOffsetRule[] = "a whole number of degrees from -180 to 180.";
constexpr char kPollRule[] = "a whole number of milliseconds from 250 to 10000.";
constexpr char kHoldOffRule[] = "a whole number of seconds from 0 to 600 (0: off).";
constexpr char kOnTopRule[] = "0 or 1.";
constexpr char kModelRule[] = "a rotator from the list (or a Hamlib model number).";
constexpr char kSpeedRule[] =
    "a speed in bits per second from 50 to 1000000, or blank for the model's default.";
constexpr char kAddressRule[] = "host:port, with a port from 1 to 65535 (e.g. 127.0.0.1:4533).";
constexpr char kStatusToRule[] =
    "host:port, with a port from 1 to 65535 (e.g. 127.0.0.1:13010), or blank for none.";
constexpr char kServeRotctldRule[] =
    "an address of this computer and a port (e.g. 127.0.0.1:4533), or blank for none.";
constexpr char kServeN1mmRule[] =
    "a port (e.g. 12040), or an address of this computer and a port, or blank for none.";

// A whole number from Min to Max; with Blank, an empty text means the row's default.
template <int Settings::*M, int Min, int Max, const char* Rule, bool Blank = false>
bool ReadWhole(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  if (Blank && Trimmed(text).empty()) text = row.default_text;
  std::optional<int> value = WholeNumber(text, Min, Max);
  if (!value) return Fail(row, error, Rule);
  out.*M = *value;
  return true;
}

// A number where blank means none (0).
template <int Settings::*M, int Min, int Max, const char* Rule>
bool ReadOptionalWhole(const SettingRow& row, std::string_view text, Settings& out,
                       std::string* error) {
  out.*M = 0;
  if (Trimmed(text).empty()) return true;
  return ReadWhole<M, Min, Max, Rule>(row, text, out, error);
}

template <int Settings::*M>
std::string WriteWhole(const Settings& s) {
  return std::to_string(s.*M);
}

template <int Settings::*M>
std::string WriteOptionalWhole(const Settings& s) {
  return s.*M ? std::to_string(s.*M) : "";
}

template <std::string Settings::*M>
std::string WriteText(const Settings& s) {
  return s.*M;
}

// One line of at most Max characters.
template <std::string Settings::*M, std::size_t Max>
bool ReadLine(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  text = Trimmed(text);
  if (text.size() > Max || HasControlCharacter(text))
    return Fail(row, error, "one line of at most " + std::to_string(Max) + " characters.");
  out.*M = std::string(text);
  return true;
}

// host:port; with Blank, also empty for none.
template <std::string Settings::*M, const char* Rule, bool Blank>
bool ReadHostPort(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  text = Trimmed(text);
  if (!(Blank && text.empty()) && !ParseHostPort(text)) return Fail(row, error, Rule);
  out.*M = std::string(text);
  return true;
}

// An address to listen on, or empty for a shut door.
template <std::string Settings::*M, const char* Rule, bool PortAlone>
bool ReadListen(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  text = Trimmed(text);
  if (!text.empty() && !ParseListenAddress(text, PortAlone)) return Fail(row, error, Rule);
  out.*M = std::string(text);
  return true;
}

bool ReadBackend(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  const std::string typed = Lower(Trimmed(text));
  if (typed == "simulated")
    out.backend = BackendKind::kSimulated;
  else if (typed == "rotctld")
    out.backend = BackendKind::kRotctld;
  else
    return Fail(row, error, "one of \"simulated\" or \"rotctld\".");
  return true;
}

std::string WriteBackend(const Settings& s) {
  return s.backend == BackendKind::kRotctld ? "rotctld" : "simulated";
}

bool ReadCommand(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  constexpr std::size_t kMaxCommand = 1024;
  text = Trimmed(text);
  if (text.size() > kMaxCommand || HasControlCharacter(text))
    return Fail(row, error, "one line of at most 1024 characters, or empty.");
  std::string why;
  if (!text.empty() && !SplitProgramCommand(text, &why))
    return Fail(row, error, "the program's path, then its arguments (" + why + ").");
  out.rotctld_command = std::string(text);
  return true;
}

// What rotctld's -r can be given: a serial port, host:port, or nothing for a model without one.
bool ReadDevice(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  text = Trimmed(text);
  if (!text.empty() && !IsSerialPortName(text) && !ParseHostPort(text))
    return Fail(row, error,
                "a serial port from COM1 to COM256, or host:port of a network controller.");
  out.rotctld_device = std::string(text);
  return true;
}

bool ReadRange(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  std::optional<RotatorRange> range;
  if (!ParseRotatorRange(text, &range) || (range && range->max_az - range->min_az > 720))
    return Fail(row, error,
                "\"as rotctld reports\" or two whole numbers of degrees, lower first, from -360 "
                "to 720 and at most 720 apart (e.g. 0..450).");
  out.rotator_range = range ? FormatRotatorRange(range) : "";
  return true;
}

bool ReadRotorName(const SettingRow& row, std::string_view text, Settings& out,
                   std::string* error) {
  text = Trimmed(text);
  if (text.size() > 32 || HasControlCharacter(text) ||
      text.find_first_of("<>&") != std::string_view::npos)
    return Fail(row, error, "a name of at most 32 characters, without < > or &.");
  out.n1mm_rotor_name = std::string(text);
  return true;
}

bool ReadStation(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  text = Trimmed(text);
  out.station.clear();
  if (text.empty()) return true;
  std::string why;
  if (!ParseStation(text, &why))
    return Fail(row, error, "a locator or latitude and longitude. " + why);
  // A locator is kept in its usual form: field upper case, subsquare lower case.
  std::string kept(text);
  if (text.find_first_of(", ") == std::string_view::npos)
    for (std::size_t i = 0; i < kept.size(); ++i)
      kept[i] = static_cast<char>(i < 2 ? std::toupper(static_cast<unsigned char>(kept[i]))
                                        : std::tolower(static_cast<unsigned char>(kept[i])));
  out.station = kept;
  return true;
}

bool ReadPresets(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  text = Trimmed(text);
  if (text.empty()) text = row.default_text;
  for (int i = 0; i < kPresetCount; ++i) {
    const std::size_t end = text.find(';');
    if ((end == std::string_view::npos) != (i == kPresetCount - 1))
      return Fail(row, error, "six presets separated by ';'.");
    std::optional<Preset> preset = ParsePreset(text.substr(0, end), i + 1, error);
    if (!preset) return false;
    out.presets[static_cast<std::size_t>(i)] = *preset;
    if (end != std::string_view::npos) text.remove_prefix(end + 1);
  }
  return true;
}

std::string WritePresets(const Settings& s) {
  std::string text;
  for (const Preset& preset : s.presets) {
    if (!text.empty()) text += ';';
    text += FormatPreset(preset);
  }
  return text;
}

bool ReadWindowBox(const SettingRow& row, std::string_view text, Settings& out,
                   std::string* error) {
  constexpr int kMaxCoordinate = 100000;
  text = Trimmed(text);
  out.window_box.reset();
  if (text.empty()) return true;
  int values[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::size_t end = text.find(' ');
    std::optional<int> v =
        WholeNumber(text.substr(0, end), i < 2 ? -kMaxCoordinate : 1, kMaxCoordinate);
    if (!v || (end == std::string_view::npos) != (i == 3))
      return Fail(row, error, "four whole numbers: x y width height.");
    values[i] = *v;
    if (end != std::string_view::npos) text = Trimmed(text.substr(end + 1));
  }
  out.window_box = WindowBox{values[0], values[1], values[2], values[3]};
  return true;
}

std::string WriteWindowBox(const Settings& s) {
  if (!s.window_box) return "";
  const WindowBox& b = *s.window_box;
  return std::to_string(b.x) + " " + std::to_string(b.y) + " " + std::to_string(b.width) + " " +
         std::to_string(b.height);
}

bool ReadOnTop(const SettingRow& row, std::string_view text, Settings& out, std::string* error) {
  if (Trimmed(text).empty()) text = row.default_text;
  std::optional<int> on = WholeNumber(text, 0, 1);
  if (!on) return Fail(row, error, kOnTopRule);
  out.stay_on_top = *on == 1;
  return true;
}

std::string WriteOnTop(const Settings& s) {
  return s.stay_on_top ? "1" : "0";
}

using S = Settings;
using T = SettingsText;

const SettingRow kRows[] = {
    {kFieldBackend, "RotatorBackend", &T::backend, Scope::kRotator, "simulated", ReadBackend,
     WriteBackend},
    {kFieldAddress, "RotctldAddress", &T::rotctld_address, Scope::kRotator, "127.0.0.1:4533",
     ReadHostPort<&S::rotctld_address, kAddressRule, false>, WriteText<&S::rotctld_address>},
    {kFieldCommand, "RotctldCommand", &T::rotctld_command, Scope::kRotator, "", ReadCommand,
     WriteText<&S::rotctld_command>},
    {kFieldOffset, "CalibrationOffset", &T::offset_deg, Scope::kRotator, "0",
     ReadWhole<&S::offset_deg, -180, 180, kOffsetRule>, WriteWhole<&S::offset_deg>},
    {kFieldPoll, "PollInterval", &T::poll_ms, Scope::kRotator, "1000",
     ReadWhole<&S::poll_ms, 250, 10000, kPollRule>, WriteWhole<&S::poll_ms>},
    {kFieldRotctldPath, "RotctldPath", &T::rotctld_path, Scope::kRotator, "",
     ReadLine<&S::rotctld_path, 260>, WriteText<&S::rotctld_path>},
    {kFieldModel, "RotctldModel", &T::rotctld_model, Scope::kRotator, "",
     ReadOptionalWhole<&S::rotctld_model, 1, 999999, kModelRule>,
     WriteOptionalWhole<&S::rotctld_model>},
    {kFieldDevice, "RotctldPort", &T::rotctld_device, Scope::kRotator, "", ReadDevice,
     WriteText<&S::rotctld_device>},
    {kFieldSpeed, "RotctldSpeed", &T::rotctld_speed, Scope::kRotator, "",
     ReadOptionalWhole<&S::rotctld_speed, 50, 1000000, kSpeedRule>,
     WriteOptionalWhole<&S::rotctld_speed>},
    {kFieldRotatorRange, "RotatorRange", &T::rotator_range, Scope::kRotator, "", ReadRange,
     WriteText<&S::rotator_range>},
    {kFieldServeRotctld, "ServeRotctld", &T::serve_rotctld, Scope::kRotator, "",
     ReadListen<&S::serve_rotctld, kServeRotctldRule, false>, WriteText<&S::serve_rotctld>},
    {kFieldServeN1mm, "ServeN1mm", &T::serve_n1mm, Scope::kRotator, "",
     ReadListen<&S::serve_n1mm, kServeN1mmRule, true>, WriteText<&S::serve_n1mm>},
    {kFieldN1mmRotorName, "N1mmRotorName", &T::n1mm_rotor_name, Scope::kRotator, "", ReadRotorName,
     WriteText<&S::n1mm_rotor_name>},
    {kFieldN1mmStatusTo, "N1mmStatusTo", &T::n1mm_status_to, Scope::kRotator, "",
     ReadHostPort<&S::n1mm_status_to, kStatusToRule, true>, WriteText<&S::n1mm_status_to>},
    {kFieldHoldOff, "HoldOffSeconds", &T::hold_off_s, Scope::kRotator, "0",
     ReadWhole<&S::hold_off_s, 0, 600, kHoldOffRule, true>, WriteWhole<&S::hold_off_s>},
    {kFieldStation, "Station", &T::station, Scope::kWindow, "", ReadStation,
     WriteText<&S::station>},
    {kFieldPresets, "Presets", &T::presets, Scope::kWindow, "N 0;NE 45;E 90;S 180;SW 225;W 270",
     ReadPresets, WritePresets},
    {kFieldWindowBox, "WindowPlacement", &T::window_box, Scope::kWindow, "", ReadWindowBox,
     WriteWindowBox},
    {kFieldStayOnTop, "StayOnTop", &T::stay_on_top, Scope::kWindow, "0", ReadOnTop, WriteOnTop},
};

}  // namespace

std::span<const SettingRow> SettingRows() {
  return kRows;
}

Settings::Settings() {
  for (const SettingRow& row : kRows) row.read(row, row.default_text, *this, nullptr);
}

}  // namespace rotserver
