// The one registry helper: an open key, closed with its object, and its values as stored (type
// and bytes). The bridge reads its settings through it; the tools and the tests set values up
// for a program under HKEY_CURRENT_USER and read back what it stored (the key is the caller's:
// the tests type the one the programs are documented to use). Strings are REG_SZ with their
// terminating zero.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace winui {

struct RegValue {
  DWORD type = REG_NONE;
  std::string bytes;  // as stored, a string's terminating zero included
};

class RegKey {
 public:
  // An existing key, never created; a leading "\" names it from the root. Not open (false)
  // when it is missing or the access is denied; *result, when given, has the system's code.
  static RegKey Open(HKEY root, const std::string& path, REGSAM access, LONG* result = nullptr);
  // The key, created when missing.
  static RegKey Create(HKEY root, const std::string& path, REGSAM access,
                       LONG* result = nullptr);

  RegKey() = default;
  ~RegKey() { Close(); }
  RegKey(RegKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }
  void Close();

  enum class Read { kMissing, kRead, kFailed };
  // The value as stored in *value: kMissing when the key is not open or the value is missing,
  // kFailed when it exists but its data could not be read.
  Read Value(const std::string& name, RegValue* value) const;
  bool SetValue(const std::string& name, DWORD type, const void* data, DWORD size) const;
  void DeleteValue(const std::string& name) const;

 private:
  explicit RegKey(HKEY key) : key_(key) {}
  HKEY key_ = nullptr;
};

// A string value's text: the bytes cut at the first NUL (REG_EXPAND_SZ left unexpanded).
std::string StringOf(const RegValue& value);

// Values under HKEY_CURRENT_USER\<key>. The setters create the key when it is missing and are
// false when it cannot be created or the value not set.
bool SetUserValue(const std::string& key, const std::string& name, DWORD type, const void* data,
                  DWORD size);
bool SetUserString(const std::string& key, const std::string& name, const std::string& text);
// Nothing when the key or the value is missing or unreadable.
std::optional<RegValue> GetUserValue(const std::string& key, const std::string& name);
void DeleteUserValue(const std::string& key, const std::string& name);
void DeleteUserKey(const std::string& key);  // with everything below it

// The string data of every value under HKEY_LOCAL_MACHINE\<key> (read only), in the registry's
// order; empty when the key is missing. For lists Windows keeps there, such as the serial ports
// under HARDWARE\DEVICEMAP\SERIALCOMM.
std::vector<std::string> MachineStrings(const std::string& key);

}  // namespace winui
