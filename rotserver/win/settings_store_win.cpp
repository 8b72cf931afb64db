#include "rotserver/win/settings_store_win.h"

#include <windows.h>

#include <vector>

namespace rotserver {

namespace {

constexpr const char* kKeyPath = wire::kSettingsKey;

// An open registry key, closed when the object goes.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  LONG Open(REGSAM access) { return RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, access, &key_); }
  LONG Create() {
    return RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key_, nullptr);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// A string value cut at its first NUL; nothing when it is missing or no string.
std::optional<std::string> ReadString(HKEY key, const char* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  std::vector<char> data(size + 1, '\0');
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::string(data.data());
}

struct Field {
  const char* value_name;
  std::string SettingsText::*text;
};

const Field kFields[] = {
    {kValueBackend, &SettingsText::backend},
    {kValueAddress, &SettingsText::rotctld_address},
    {kValueCommand, &SettingsText::rotctld_command},
    {kValueOffset, &SettingsText::offset_deg},
    {kValueRangeMode, &SettingsText::range_mode},
    {kValuePoll, &SettingsText::poll_ms},
    {kValueRotctldPath, &SettingsText::rotctld_path},
    {kValueModel, &SettingsText::rotctld_model},
    {kValueDevice, &SettingsText::rotctld_device},
    {kValueSpeed, &SettingsText::rotctld_speed},
    {kValueRotatorRange, &SettingsText::rotator_range},
};

}  // namespace

std::string WindowsError(long code) {
  char* text = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string words = text ? text : "";
  if (text) LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
    words.pop_back();
  return words + " (" + std::to_string(code) + ")";
}

std::optional<Settings> LoadSettings() {
  RegKey key;
  if (key.Open(KEY_QUERY_VALUE) != ERROR_SUCCESS) return std::nullopt;
  Settings settings;
  bool any = false;
  for (const Field& field : kFields) {
    std::optional<std::string> stored = ReadString(key.get(), field.value_name);
    if (!stored) continue;
    any = true;
    if (field.text == &SettingsText::backend && *stored == "simulate") *stored = "simulated";
    // Each stored value is checked alone against the defaults, so one bad value costs only
    // itself.
    SettingsText trial = FormatSettings(settings);
    trial.*field.text = *stored;
    if (std::optional<Settings> parsed = ParseSettings(trial, nullptr)) settings = *parsed;
  }
  if (!any) return std::nullopt;
  return settings;
}

bool SaveSettings(const Settings& settings, std::string* error) {
  RegKey key;
  if (LONG rc = key.Create(); rc != ERROR_SUCCESS) {
    if (error)
      *error =
          "HKCU\\" + std::string(wire::kSettingsKey) + " cannot be opened: " + WindowsError(rc);
    return false;
  }
  const SettingsText text = FormatSettings(settings);
  for (const Field& field : kFields) {
    const std::string& value = text.*field.text;
    LONG rc = RegSetValueExA(key.get(), field.value_name, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
    if (rc != ERROR_SUCCESS) {
      if (error) *error = std::string(field.value_name) + " cannot be stored: " + WindowsError(rc);
      return false;
    }
  }
  return true;
}

}  // namespace rotserver
