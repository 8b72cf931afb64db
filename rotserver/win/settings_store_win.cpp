#include "rotserver/win/settings_store_win.h"

#include <windows.h>

#include <vector>

#include "winui/registry_win.h"
#include "winui/windows_error_text_win.h"
#include "wire/wire.h"

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

bool PutBack(HKEY key, const char* name, const std::optional<RawValue>& before) {
  if (!before) {
    LONG rc = RegDeleteValueA(key, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }
  return RegSetValueExA(key, name, 0, before->type, before->bytes.data(),
                        static_cast<DWORD>(before->bytes.size())) == ERROR_SUCCESS;
}

StoredSettings ReadStoredSettings() {
  StoredSettings stored;
  winui::RegKey key = winui::RegKey::Open(HKEY_CURRENT_USER, wire::kSettingsKey, KEY_QUERY_VALUE);
  if (!key) return stored;
  for (const SettingRow& row : SettingRows()) {
    StoredValue value = ReadStored(key.get(), row.value_name);
    if (value.kind != StoredValue::Kind::kMissing) stored[row.value_name] = std::move(value);
  }
  return stored;
}

bool Save(const Settings& settings, std::string* error,
          const std::vector<const SettingRow*>& rows) {
  LONG rc = ERROR_SUCCESS;
  winui::RegKey key = winui::RegKey::Create(HKEY_CURRENT_USER, wire::kSettingsKey,
                                            KEY_SET_VALUE | KEY_QUERY_VALUE, &rc);
  if (!key) {
    if (error)
      *error = "HKCU\\" + std::string(wire::kSettingsKey) +
               " cannot be opened: " + winui::ErrorText(static_cast<DWORD>(rc));
    return false;
  }
  std::vector<std::optional<RawValue>> before;
  for (const SettingRow* row : rows) before.push_back(ReadRaw(key.get(), row->value_name));
  std::optional<std::string> failure = WriteAllOrNone(
      rows.size(),
      [&](std::size_t i) -> std::optional<std::string> {
        const std::string value = rows[i]->write(settings);
        LONG rc = RegSetValueExA(key.get(), rows[i]->value_name, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
        if (rc == ERROR_SUCCESS) return std::nullopt;
        return std::string(rows[i]->label) +
               " cannot be stored: " + winui::ErrorText(static_cast<DWORD>(rc));
      },
      [&](std::size_t i) { return PutBack(key.get(), rows[i]->value_name, before[i]); });
  if (!failure) return true;
  if (error) *error = *failure;
  return false;
}

}  // namespace

std::optional<LoadedSettings> LoadSettings() {
  StoredSettings stored = ReadStoredSettings();
  // The window's own values (its place at every close) do not make a set-up: without a
  // rotator value this is still the first start.
  if (!RotatorStored(stored)) return std::nullopt;
  return CheckStoredSettings(stored);
}

Settings LoadUsableSettings() {
  return CheckStoredSettings(ReadStoredSettings()).settings;
}

bool SaveSettings(const Settings& settings, std::string* error, std::optional<SettingScope> scope) {
  std::vector<const SettingRow*> rows;
  for (const SettingRow& row : SettingRows())
    if (!scope || row.scope == *scope) rows.push_back(&row);
  return Save(settings, error, rows);
}

bool SaveSettingValues(const Settings& settings, std::string* error,
                       std::initializer_list<const char*> labels) {
  std::vector<const SettingRow*> rows;
  for (const char* label : labels)
    if (const SettingRow* row = FindSettingRow(label)) rows.push_back(row);
  return Save(settings, error, rows);
}

}  // namespace rotserver
