#include "rotserver/win/settings_store_win.h"

#include <windows.h>

#include <vector>

#include "winui/registry_win.h"
#include "winui/windows_error_text_win.h"

namespace rotserver {

namespace {

// A value's type and bytes as stored; nothing when it is missing.
struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

std::optional<RawValue> ReadRaw(HKEY key, const char* name) {
  RawValue raw;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &raw.type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  raw.bytes.resize(size);
  if (RegQueryValueExA(key, name, nullptr, &raw.type, raw.bytes.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  raw.bytes.resize(size);
  return raw;
}

std::string TypeName(DWORD type) {
  switch (type) {
    case REG_DWORD:
      return "REG_DWORD";
    case REG_QWORD:
      return "REG_QWORD";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    case REG_NONE:
      return "REG_NONE";
  }
  return "registry type " + std::to_string(type);
}

// A string value cut at its first NUL; the type's name for any other type.
StoredValue ReadStored(HKEY key, const char* name) {
  std::optional<RawValue> raw = ReadRaw(key, name);
  if (!raw) return {};
  if (raw->type != REG_SZ && raw->type != REG_EXPAND_SZ)
    return {StoredValue::Kind::kOtherType, TypeName(raw->type)};
  std::string text(raw->bytes.begin(), raw->bytes.end());
  return {StoredValue::Kind::kString, text.substr(0, text.find('\0'))};
}

struct Field {
  const char* value_name;
  std::string SettingsText::*text;
  StoredValue StoredSettings::*stored;
};

const Field kFields[] = {
    {kValueBackend, &SettingsText::backend, &StoredSettings::backend},
    {kValueAddress, &SettingsText::rotctld_address, &StoredSettings::rotctld_address},
    {kValueCommand, &SettingsText::rotctld_command, &StoredSettings::rotctld_command},
    {kValueOffset, &SettingsText::offset_deg, &StoredSettings::offset_deg},
    {kValueRangeMode, &SettingsText::range_mode, &StoredSettings::range_mode},
    {kValuePoll, &SettingsText::poll_ms, &StoredSettings::poll_ms},
    {kValueRotctldPath, &SettingsText::rotctld_path, &StoredSettings::rotctld_path},
    {kValueModel, &SettingsText::rotctld_model, &StoredSettings::rotctld_model},
    {kValueDevice, &SettingsText::rotctld_device, &StoredSettings::rotctld_device},
    {kValueSpeed, &SettingsText::rotctld_speed, &StoredSettings::rotctld_speed},
    {kValueRotatorRange, &SettingsText::rotator_range, &StoredSettings::rotator_range},
    {kValueStation, &SettingsText::station, &StoredSettings::station},
    {kValuePresets, &SettingsText::presets, &StoredSettings::presets},
    {kValueWindowBox, &SettingsText::window_box, &StoredSettings::window_box},
    {kValueStayOnTop, &SettingsText::stay_on_top, &StoredSettings::stay_on_top},
};
constexpr std::size_t kFieldCount = sizeof kFields / sizeof kFields[0];
constexpr std::size_t kFirstWindowField = 11;  // kValueStation

bool PutBack(HKEY key, const char* name, const std::optional<RawValue>& before) {
  if (!before) {
    LONG rc = RegDeleteValueA(key, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }
  return RegSetValueExA(key, name, 0, before->type, before->bytes.data(),
                        static_cast<DWORD>(before->bytes.size())) == ERROR_SUCCESS;
}

// Every stored value; *rotator_stored tells whether any value of the rotator is among them.
StoredSettings ReadStoredSettings(bool* rotator_stored) {
  StoredSettings stored;
  *rotator_stored = false;
  winui::RegKey key = winui::RegKey::Open(HKEY_CURRENT_USER, wire::kSettingsKey, KEY_QUERY_VALUE);
  if (!key) return stored;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    StoredValue& value = stored.*kFields[i].stored;
    value = ReadStored(key.get(), kFields[i].value_name);
    // The window's own values (its place at every close) do not make a set-up: without a
    // rotator value this is still the first start.
    if (i < kFirstWindowField && value.kind != StoredValue::Kind::kMissing) *rotator_stored = true;
  }
  return stored;
}

}  // namespace

void ReadDoorSettings(Settings* settings) {
  winui::RegKey key = winui::RegKey::Open(HKEY_CURRENT_USER, wire::kSettingsKey, KEY_QUERY_VALUE);
  auto text = [&](const char* name) {
    StoredValue value = key ? ReadStored(key.get(), name) : StoredValue{};
    return value.kind == StoredValue::Kind::kString ? value.text : std::string();
  };
  settings->serve_rotctld = text("ServeRotctld");
  settings->serve_n1mm = text("ServeN1mm");
  settings->n1mm_rotor_name = text("N1mmRotorName");
  settings->n1mm_status_to = text("N1mmStatusTo");
  const std::string hold = text("HoldOffSeconds");
  settings->hold_off_s = hold.size() <= 4 && !hold.empty() &&
                                 hold.find_first_not_of("0123456789") == std::string::npos
                             ? std::stoi(hold)
                             : 0;
}

std::optional<LoadedSettings> LoadSettings() {
  bool rotator_stored = false;
  StoredSettings stored = ReadStoredSettings(&rotator_stored);
  if (!rotator_stored) return std::nullopt;
  LoadedSettings loaded = CheckStoredSettings(stored);
  ReadDoorSettings(&loaded.settings);
  return loaded;
}

Settings LoadUsableSettings() {
  bool rotator_stored = false;
  Settings settings = CheckStoredSettings(ReadStoredSettings(&rotator_stored)).settings;
  ReadDoorSettings(&settings);
  return settings;
}

bool SaveSettings(const Settings& settings, std::string* error, SettingsScope scope) {
  LONG rc = ERROR_SUCCESS;
  winui::RegKey key = winui::RegKey::Create(HKEY_CURRENT_USER, wire::kSettingsKey,
                                            KEY_SET_VALUE | KEY_QUERY_VALUE, &rc);
  if (!key) {
    if (error)
      *error = "HKCU\\" + std::string(wire::kSettingsKey) +
               " cannot be opened: " + winui::ErrorText(static_cast<DWORD>(rc));
    return false;
  }
  // The window's own values follow the rotator's in kFields.
  const std::size_t first = scope == SettingsScope::kWindowOnly ? kFirstWindowField : 0;
  std::vector<const Field*> fields;
  for (std::size_t i = first; i < kFieldCount; ++i) fields.push_back(&kFields[i]);
  std::vector<std::optional<RawValue>> before;
  for (const Field* field : fields) before.push_back(ReadRaw(key.get(), field->value_name));
  const SettingsText text = FormatSettings(settings);
  std::optional<std::string> failure = WriteAllOrNone(
      fields.size(),
      [&](std::size_t i) -> std::optional<std::string> {
        const std::string& value = text.*fields[i]->text;
        LONG rc = RegSetValueExA(key.get(), fields[i]->value_name, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
        if (rc == ERROR_SUCCESS) return std::nullopt;
        return std::string(fields[i]->value_name) +
               " cannot be stored: " + winui::ErrorText(static_cast<DWORD>(rc));
      },
      [&](std::size_t i) { return PutBack(key.get(), fields[i]->value_name, before[i]); });
  if (!failure) return true;
  if (error) *error = *failure;
  return false;
}

}  // namespace rotserver
