#include "toolkit/registry_win.h"

namespace toolkit {

namespace {

// An open key, closed when the object goes.
class Key {
 public:
  Key(const char* path, REGSAM access, bool create, HKEY root = HKEY_CURRENT_USER) {
    LONG rc = create ? RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key_, nullptr)
                     : RegOpenKeyExA(root, path, 0, access, &key_);
    if (rc != ERROR_SUCCESS) key_ = nullptr;
  }
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool SetUserValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
  Key k(key, KEY_WRITE, true);
  return k.get() && RegSetValueExA(k.get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
                        ERROR_SUCCESS;
}

bool SetUserString(const char* key, const char* name, const std::string& text) {
  return SetUserValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::optional<UserValue> GetUserValue(const char* key, const char* name) {
  Key k(key, KEY_QUERY_VALUE, false);
  UserValue value;
  DWORD size = 0;
  if (!k.get() ||
      RegQueryValueExA(k.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.bytes.resize(size);
  if (RegQueryValueExA(k.get(), name, nullptr, &value.type,
                       reinterpret_cast<BYTE*>(value.bytes.data()), &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.bytes.resize(size);
  return value;
}

void DeleteUserValue(const char* key, const char* name) {
  Key k(key, KEY_SET_VALUE, false);
  if (k.get()) RegDeleteValueA(k.get(), name);
}

void DeleteUserKey(const char* key) {
  RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

std::vector<std::string> MachineStrings(const char* key) {
  std::vector<std::string> strings;
  Key k(key, KEY_QUERY_VALUE, false, HKEY_LOCAL_MACHINE);
  if (!k.get()) return strings;
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

}  // namespace toolkit
