#include "toolkit/registry_win.h"

namespace toolkit {

namespace {

// An open key, closed when the object goes.
class Key {
 public:
  Key(const char* path, REGSAM access, bool create) {
    LONG rc = create ? RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, access, nullptr,
                                       &key_, nullptr)
                     : RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key_);
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

}  // namespace toolkit
