#include "rotserver/core/settings.h"

#include "rotserver/core/geodesy.h"

#include <cctype>
#include <cstdint>
#include <string_view>

namespace rotserver {

namespace {

constexpr int kMinOffset = -180, kMaxOffset = 180;
constexpr int kMinPollMs = 250, kMaxPollMs = 10000;
constexpr int kMinPort = 1, kMaxPort = 65535;
constexpr std::size_t kMaxCommandLength = 1024;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

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
  out.rotctld_command = std::string(command);

  if (!ParseNumber(text.offset_deg, kFieldOffset, kMinOffset, kMaxOffset,
                   "a whole number of degrees from -180 to 180.", out.offset_deg, error) ||
      !ParseNumber(text.range_mode, kFieldRangeMode, 0, 1, "0 or 1.", out.range_mode, error) ||
      !ParseNumber(text.poll_ms, kFieldPoll, kMinPollMs, kMaxPollMs,
                   "a whole number of milliseconds from 250 to 10000.", out.poll_ms, error))
    return std::nullopt;
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
  for (const Preset& preset : settings.presets)
    text.presets += (text.presets.empty() ? "" : ";") + FormatPreset(preset);
  if (const auto& box = settings.window_box)
    text.window_box = std::to_string(box->x) + " " + std::to_string(box->y) + " " +
                      std::to_string(box->width) + " " + std::to_string(box->height);
  text.stay_on_top = settings.stay_on_top ? "1" : "0";
  return text;
}

}  // namespace rotserver
