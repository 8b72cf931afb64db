#include "rotserver/core/settings.h"

#include "rotserver/core/geodesy.h"

#include <cctype>
#include <cstdint>
#include <string_view>

#include "rotserver/core/program_command.h"
#include "rotserver/core/rotctld_setup.h"
#include "rotserver/core/plain_text.h"

namespace rotserver {

namespace {

constexpr int kMinOffset = -180, kMaxOffset = 180;
constexpr int kMinPollMs = 250, kMaxPollMs = 10000;
constexpr int kMinPort = 1, kMaxPort = 65535;
constexpr std::size_t kMaxCommandLength = 1024;

// A whole decimal number with an optional sign, blanks around it allowed; nothing when it has
// another form or lies outside [min, max].
std::optional<int> WholeNumber(std::string_view text, int min, int max) {
  text = Trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 9) return std::nullopt;  // 9 digits cannot overflow
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < min || value > max) return std::nullopt;
  return static_cast<int>(value);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// "host:port", with an IPv6 host in brackets ("[::1]:4533"); no blanks in the host.
bool ValidAddress(std::string_view text) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return false;
  std::string_view host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  else if (host.find(':') != std::string_view::npos)
    return false;  // an IPv6 address needs its brackets
  if (host.empty() || host.find('[') != std::string_view::npos ||
      host.find(']') != std::string_view::npos)
    return false;
  for (char c : host)
    if (std::isspace(static_cast<unsigned char>(c)) || std::iscntrl(static_cast<unsigned char>(c)))
      return false;
  std::string_view port = text.substr(colon + 1);
  if (port.empty() || port.front() == '+' || port.front() == '-') return false;
  return WholeNumber(port, kMinPort, kMaxPort).has_value();
}

bool HasControlCharacter(std::string_view text) {
  for (char c : text)
    if (std::iscntrl(static_cast<unsigned char>(c))) return true;
  return false;
}

bool Fail(SettingsError* error, const char* field, const std::string& rule) {
  if (error) *error = SettingsError{field, std::string(field) + " must be " + rule};
  return false;
}

bool ParseBackend(std::string_view text, Settings& out, SettingsError* error) {
  text = Trimmed(text);
  if (EqualsIgnoringCase(text, "simulated"))
    out.backend = BackendKind::kSimulated;
  else if (EqualsIgnoringCase(text, "rotctld"))
    out.backend = BackendKind::kRotctld;
  else
    return Fail(error, kFieldBackend, "one of \"simulated\" or \"rotctld\".");
  return true;
}

bool ParseNumber(std::string_view text, const char* field, int min, int max, const char* rule,
                 int& out, SettingsError* error) {
  std::optional<int> value = WholeNumber(text, min, max);
  if (!value) return Fail(error, field, rule);
  out = *value;
  return true;
}

constexpr size_t kMaxPresetLabel = 6;
constexpr int kMaxWindowCoordinate = 100000;

bool ParseStationField(std::string_view text, Settings& out, SettingsError* error) {
  text = Trimmed(text);
  out.station.clear();
  if (text.empty()) return true;
  std::string why;
  std::optional<LatLon> position = ParseStation(text, &why);
  if (!position) return Fail(error, kFieldStation, "a locator or latitude and longitude. " + why);
  // A locator is kept in its usual form: field upper case, subsquare lower case.
  std::string kept(text);
  if (text.find_first_of(", ") == std::string_view::npos)
    for (size_t i = 0; i < kept.size(); ++i)
      kept[i] = static_cast<char>(i < 2 ? std::toupper(static_cast<unsigned char>(kept[i]))
                                        : std::tolower(static_cast<unsigned char>(kept[i])));
  out.station = kept;
  return true;
}

bool ParsePresetsField(std::string_view text, Settings& out, SettingsError* error) {
  text = Trimmed(text);
  if (text.empty()) return true;  // the defaults
  for (int i = 0; i < kPresetCount; ++i) {
    const size_t end = text.find(';');
    if ((end == std::string_view::npos) != (i == kPresetCount - 1))
      return Fail(error, kFieldPresets, "six presets separated by ';'.");
    std::string why;
    std::optional<Preset> preset = ParsePreset(text.substr(0, end), i + 1, &why);
    if (!preset) {
      if (error) *error = SettingsError{kFieldPresets, why};
      return false;
    }
    out.presets[static_cast<size_t>(i)] = *preset;
    if (end != std::string_view::npos) text.remove_prefix(end + 1);
  }
  return true;
}

bool ParseWindowBoxField(std::string_view text, Settings& out, SettingsError* error) {
  text = Trimmed(text);
  out.window_box.reset();
  if (text.empty()) return true;
  int values[4] = {};
  for (int i = 0; i < 4; ++i) {
    const size_t end = text.find(' ');
    std::optional<int> v =
        WholeNumber(text.substr(0, end), i < 2 ? -kMaxWindowCoordinate : 1, kMaxWindowCoordinate);
    if (!v || (end == std::string_view::npos) != (i == 3))
      return Fail(error, kFieldWindowBox, "four whole numbers: x y width height.");
    values[i] = *v;
    if (end != std::string_view::npos) text = Trimmed(text.substr(end + 1));
  }
  out.window_box = WindowBox{values[0], values[1], values[2], values[3]};
  return true;
}

bool ParseLine(std::string_view text, const char* field, std::size_t max, std::string& out,
               SettingsError* error) {
  text = Trimmed(text);
  if (text.size() > max || HasControlCharacter(text))
    return Fail(error, field, "one line of at most " + std::to_string(max) + " characters.");
  out = std::string(text);
  return true;
}

bool ParseRotctldFields(const SettingsText& text, Settings& out, SettingsError* error) {
  if (!ParseLine(text.rotctld_path, kFieldRotctldPath, 260, out.rotctld_path, error) ||
      !ParseLine(text.rotctld_device, kFieldDevice, 260, out.rotctld_device, error))
    return false;
  out.rotctld_model = 0;
  if (!Trimmed(text.rotctld_model).empty() &&
      !ParseNumber(text.rotctld_model, kFieldModel, 1, 999999,
                   "a rotator from the list (or a Hamlib model number).", out.rotctld_model, error))
    return false;
  out.rotctld_speed = 0;
  if (!Trimmed(text.rotctld_speed).empty() &&
      !ParseNumber(
          text.rotctld_speed, kFieldSpeed, 50, 1000000,
          "a speed in bits per second from 50 to 1000000, or blank for the model's default.",
          out.rotctld_speed, error))
    return false;
  std::optional<RotatorRange> range;
  if (!ParseRotatorRange(text.rotator_range, &range))
    return Fail(error, kFieldRotatorRange,
                "\"as rotctld reports\" or two whole numbers of degrees, lower first, from -360 "
                "to 720 (e.g. 0..450).");
  out.rotator_range = range ? FormatRotatorRange(range) : "";
  if (out.backend == BackendKind::kRotctld && out.rotctld_model && out.rotctld_command.empty() &&
      out.rotctld_path.empty())
    return Fail(error, kFieldRotctldPath,
                "given (Browse... finds it) when a controller is chosen.");
  return true;
}

}  // namespace

Presets DefaultPresets() {
  return {Preset{"N", 0},   Preset{"NE", 45},  Preset{"E", 90},
          Preset{"S", 180}, Preset{"SW", 225}, Preset{"W", 270}};
}

std::optional<Preset> ParsePreset(std::string_view text, int number, std::string* error) {
  text = Trimmed(text);
  const size_t blank = text.rfind(' ');
  const std::string name = "Preset " + std::to_string(number);
  const std::string label(blank == std::string_view::npos ? "" : Trimmed(text.substr(0, blank)));
  std::optional<int> bearing =
      blank == std::string_view::npos ? std::nullopt : WholeNumber(text.substr(blank + 1), 0, 359);
  if (label.empty() || label.size() > kMaxPresetLabel || label.find(';') != std::string::npos ||
      HasControlCharacter(label) || !bearing) {
    if (error)
      *error = name +
               " must be a label of 1 to 6 characters (no ';') and a bearing from 0 to "
               "359, e.g. \"EU 45\".";
    return std::nullopt;
  }
  return Preset{label, *bearing};
}

std::string FormatPreset(const Preset& preset) {
  return preset.label + " " + std::to_string(preset.bearing_deg);
}

std::optional<Settings> ParseSettings(const SettingsText& text, SettingsError* error) {
  Settings out;
  if (!ParseBackend(text.backend, out, error)) return std::nullopt;

  std::string_view address = Trimmed(text.rotctld_address);
  if (!ValidAddress(address)) {
    Fail(error, kFieldAddress, "host:port, with a port from 1 to 65535 (e.g. 127.0.0.1:4533).");
    return std::nullopt;
  }
  out.rotctld_address = std::string(address);

  std::string_view command = Trimmed(text.rotctld_command);
  if (command.size() > kMaxCommandLength || HasControlCharacter(command)) {
    Fail(error, kFieldCommand, "one line of at most 1024 characters, or empty.");
    return std::nullopt;
  }
  std::string split_error;
  if (!command.empty() && !SplitProgramCommand(command, &split_error)) {
    Fail(error, kFieldCommand, "the program's path, then its arguments (" + split_error + ").");
    return std::nullopt;
  }
  out.rotctld_command = std::string(command);

  if (!ParseNumber(text.offset_deg, kFieldOffset, kMinOffset, kMaxOffset,
                   "a whole number of degrees from -180 to 180.", out.offset_deg, error) ||
      !ParseNumber(text.range_mode, kFieldRangeMode, 0, 1, "0 or 1.", out.range_mode, error) ||
      !ParseNumber(text.poll_ms, kFieldPoll, kMinPollMs, kMaxPollMs,
                   "a whole number of milliseconds from 250 to 10000.", out.poll_ms, error))
    return std::nullopt;
  if (!ParseRotctldFields(text, out, error)) return std::nullopt;
  int on_top = 0;
  if (!ParseStationField(text.station, out, error) ||
      !ParsePresetsField(text.presets, out, error) ||
      !ParseWindowBoxField(text.window_box, out, error) ||
      !ParseNumber(text.stay_on_top.empty() ? "0" : text.stay_on_top, kFieldStayOnTop, 0, 1,
                   "0 or 1.", on_top, error))
    return std::nullopt;
  out.stay_on_top = on_top == 1;
  return out;
}

SettingsText FormatSettings(const Settings& settings) {
  SettingsText text;
  text.backend = settings.backend == BackendKind::kRotctld ? "rotctld" : "simulated";
  text.rotctld_address = settings.rotctld_address;
  text.rotctld_command = settings.rotctld_command;
  text.offset_deg = std::to_string(settings.offset_deg);
  text.range_mode = std::to_string(settings.range_mode);
  text.poll_ms = std::to_string(settings.poll_ms);
  text.station = settings.station;
  for (const Preset& preset : settings.presets) {
    if (!text.presets.empty()) text.presets += ';';
    text.presets += FormatPreset(preset);
  }
  if (const auto& box = settings.window_box)
    text.window_box = std::to_string(box->x) + " " + std::to_string(box->y) + " " +
                      std::to_string(box->width) + " " + std::to_string(box->height);
  text.stay_on_top = settings.stay_on_top ? "1" : "0";
  text.rotctld_path = settings.rotctld_path;
  text.rotctld_model = settings.rotctld_model ? std::to_string(settings.rotctld_model) : "";
  text.rotctld_device = settings.rotctld_device;
  text.rotctld_speed = settings.rotctld_speed ? std::to_string(settings.rotctld_speed) : "";
  text.rotator_range = settings.rotator_range;
  return text;
}

namespace {

struct StoredField {
  const char* label;
  std::string SettingsText::*text;
  StoredValue StoredSettings::*stored;
};

const StoredField kStoredFields[] = {
    {kFieldBackend, &SettingsText::backend, &StoredSettings::backend},
    {kFieldAddress, &SettingsText::rotctld_address, &StoredSettings::rotctld_address},
    {kFieldCommand, &SettingsText::rotctld_command, &StoredSettings::rotctld_command},
    {kFieldOffset, &SettingsText::offset_deg, &StoredSettings::offset_deg},
    {kFieldRangeMode, &SettingsText::range_mode, &StoredSettings::range_mode},
    {kFieldPoll, &SettingsText::poll_ms, &StoredSettings::poll_ms},
    {kFieldRotctldPath, &SettingsText::rotctld_path, &StoredSettings::rotctld_path},
    {kFieldModel, &SettingsText::rotctld_model, &StoredSettings::rotctld_model},
    {kFieldDevice, &SettingsText::rotctld_device, &StoredSettings::rotctld_device},
    {kFieldSpeed, &SettingsText::rotctld_speed, &StoredSettings::rotctld_speed},
    {kFieldRotatorRange, &SettingsText::rotator_range, &StoredSettings::rotator_range},
    {kFieldStation, &SettingsText::station, &StoredSettings::station},
    {kFieldPresets, &SettingsText::presets, &StoredSettings::presets},
    {kFieldWindowBox, &SettingsText::window_box, &StoredSettings::window_box},
    {kFieldStayOnTop, &SettingsText::stay_on_top, &StoredSettings::stay_on_top},
};

// The stored text as a message quotes it: a long one by its start and its length.
std::string Quoted(const std::string& text) {
  constexpr std::size_t kShown = 40;
  std::string quoted(1, '"');
  quoted.append(text, 0, kShown);
  if (text.size() <= kShown) return quoted.append(1, '"');
  return quoted.append("...\" (").append(std::to_string(text.size())).append(" characters)");
}

std::string WithoutFullStop(std::string message) {
  if (!message.empty() && message.back() == '.') message.pop_back();
  return message;
}

// Whether any other value of the rotator is stored. The station, presets and window values
// are stored on their own (the window's place at every close), so they say nothing about it.
bool OthersStored(const StoredSettings& stored) {
  for (const StoredValue StoredSettings::*value :
       {&StoredSettings::rotctld_address, &StoredSettings::rotctld_command,
        &StoredSettings::offset_deg, &StoredSettings::range_mode, &StoredSettings::poll_ms,
        &StoredSettings::rotctld_path, &StoredSettings::rotctld_model,
        &StoredSettings::rotctld_device, &StoredSettings::rotctld_speed,
        &StoredSettings::rotator_range})
    if ((stored.*value).kind != StoredValue::Kind::kMissing) return true;
  return false;
}

// The problem with one stored value, or nothing when it can be used (then `usable` has it).
std::optional<SettingsProblem> CheckStored(const StoredField& field, const StoredValue& value,
                                           bool others_stored, Settings& usable) {
  const std::string label = field.label;
  switch (value.kind) {
    case StoredValue::Kind::kMissing:
      if (field.stored == &StoredSettings::backend && others_stored)
        return SettingsProblem{label,
                               label + " is not stored: choose \"simulated\" or \"rotctld\"."};
      return std::nullopt;
    case StoredValue::Kind::kOtherType:
      return SettingsProblem{
          label, label + " is stored as " + value.text + "; it must be a string (REG_SZ)."};
    case StoredValue::Kind::kString:
      break;
  }
  SettingsText trial = FormatSettings(usable);
  // "simulate" is what older versions stored for the simulated rotator.
  trial.*field.text = field.stored == &StoredSettings::backend && value.text == "simulate"
                          ? std::string("simulated")
                          : value.text;
  SettingsProblem problem;
  if (std::optional<Settings> parsed = ParseSettings(trial, &problem)) {
    usable = *parsed;
    return std::nullopt;
  }
  problem.message = WithoutFullStop(problem.message) + " (stored: " + Quoted(value.text) + ").";
  return problem;
}

}  // namespace

LoadedSettings CheckStoredSettings(const StoredSettings& stored) {
  LoadedSettings out;
  Settings usable;
  std::vector<const StoredField*> unusable;
  const bool others_stored = OthersStored(stored);
  for (const StoredField& field : kStoredFields) {
    const StoredValue& value = stored.*field.stored;
    if (std::optional<SettingsProblem> problem = CheckStored(field, value, others_stored, usable)) {
      out.problems.push_back(std::move(*problem));
      if (value.kind == StoredValue::Kind::kString) unusable.push_back(&field);
    }
  }
  out.settings = usable;
  for (const StoredField* field : unusable) {
    const std::string& text = (stored.*field->stored).text;
    if (field->text == &SettingsText::rotctld_address) out.settings.rotctld_address = text;
    if (field->text == &SettingsText::rotctld_command) out.settings.rotctld_command = text;
  }
  return out;
}

std::string ProblemsText(const std::vector<SettingsProblem>& problems) {
  std::string text = "bad settings:";
  for (const SettingsProblem& problem : problems) text += " " + problem.message;
  return text;
}

std::optional<std::string> WriteAllOrNone(
    std::size_t count, const std::function<std::optional<std::string>(std::size_t)>& write,
    const std::function<bool(std::size_t)>& restore) {
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<std::string> failure = write(i);
    if (!failure) continue;
    bool all_back = true;
    for (std::size_t back = i + 1; back-- > 0;) all_back = restore(back) && all_back;
    return *failure + (all_back ? "; the settings stored before were put back"
                                : "; the settings stored before could not all be put back");
  }
  return std::nullopt;
}

}  // namespace rotserver
