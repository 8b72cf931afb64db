#include "winui/registry_win.h"

namespace winui {

namespace {

std::string FromRoot(const std::string& path) {
  return !path.empty() && path.front() == '\\' ? path.substr(1) : path;
}

}  // namespace

RegKey RegKey::Open(HKEY root, const std::string& path, REGSAM access, LONG* result) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(root, FromRoot(path).c_str(), 0, access, &key);
  if (result) *result = rc;
  return rc == ERROR_SUCCESS ? RegKey(key) : RegKey();
}

RegKey RegKey::Create(HKEY root, const std::string& path, REGSAM access, LONG* result) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(root, FromRoot(path).c_str(), 0, nullptr, 0, access, nullptr, &key,
                            nullptr);
  if (result) *result = rc;
  return rc == ERROR_SUCCESS ? RegKey(key) : RegKey();
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = other.key_;
    other.key_ = nullptr;
  }
  return *this;
}

void RegKey::Close() {
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
}

RegKey::Read RegKey::Value(const std::string& name, RegValue* value) const {
  DWORD size = 0;
  if (!key_ ||
      RegQueryValueExA(key_, name.c_str(), nullptr, &value->type, nullptr, &size) != ERROR_SUCCESS)
    return Read::kMissing;
  value->bytes.assign(size, '\0');
  if (size == 0) return Read::kRead;
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &value->type,
                       reinterpret_cast<BYTE*>(value->bytes.data()), &size) != ERROR_SUCCESS)
    return Read::kFailed;
  value->bytes.resize(size);
  return Read::kRead;
}

bool RegKey::SetValue(const std::string& name, DWORD type, const void* data, DWORD size) const {
  return key_ && RegSetValueExA(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                                size) == ERROR_SUCCESS;
}

void RegKey::DeleteValue(const std::string& name) const {
  if (key_) RegDeleteValueA(key_, name.c_str());
}

std::string StringOf(const RegValue& value) {
  return value.bytes.substr(0, value.bytes.find('\0'));
}

bool SetUserValue(const std::string& key, const std::string& name, DWORD type, const void* data,
                  DWORD size) {
  return RegKey::Create(HKEY_CURRENT_USER, key, KEY_WRITE).SetValue(name, type, data, size);
}

bool SetUserString(const std::string& key, const std::string& name, const std::string& text) {
  return SetUserValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::optional<RegValue> GetUserValue(const std::string& key, const std::string& name) {
  RegValue value;
  if (RegKey::Open(HKEY_CURRENT_USER, key, KEY_QUERY_VALUE).Value(name, &value) !=
      RegKey::Read::kRead)
    return std::nullopt;
  return value;
}

void DeleteUserValue(const std::string& key, const std::string& name) {
  RegKey::Open(HKEY_CURRENT_USER, key, KEY_SET_VALUE).DeleteValue(name);
}

void DeleteUserKey(const std::string& key) {
  RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

std::vector<std::string> MachineStrings(const std::string& key) {
  std::vector<std::string> strings;
  RegKey k = RegKey::Open(HKEY_LOCAL_MACHINE, key, KEY_QUERY_VALUE);
  if (!k) return strings;
  for (DWORD i = 0;; ++i) {
    char name[256];
    BYTE data[512];
    DWORD name_size = sizeof name, data_size = sizeof data - 1, type = 0;
    LONG rc = RegEnumValueA(k.get(), i, name, &name_size, nullptr, &type, data, &data_size);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    if (type != REG_SZ) continue;
    data[data_size] = 0;
    strings.emplace_back(reinterpret_cast<const char*>(data));
  }
  return strings;
}

}  // namespace winui
