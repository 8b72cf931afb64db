#include "rotserver/core/settings.h"

#include <cctype>
#include <cstdint>
#include <string_view>

#include "rotserver/core/rotctld_setup.h"

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
  if (!ParseRotctldFields(text, out, error)) return std::nullopt;
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
  text.rotctld_path = settings.rotctld_path;
  text.rotctld_model = settings.rotctld_model ? std::to_string(settings.rotctld_model) : "";
  text.rotctld_device = settings.rotctld_device;
  text.rotctld_speed = settings.rotctld_speed ? std::to_string(settings.rotctld_speed) : "";
  text.rotator_range = settings.rotator_range;
  return text;
}

}  // namespace rotserver
