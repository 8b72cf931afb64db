// Values under HKEY_CURRENT_USER\<key>, as the tools and the tests set them up for a program and
// read back what it stored. The key is the caller's: the tests type the one the programs are
// documented to use. Strings are REG_SZ with their terminating zero.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace toolkit {

// Creates the key when it is missing; false when it cannot be created or the value not set.
bool SetUserValue(const char* key, const char* name, DWORD type, const void* data, DWORD size);
bool SetUserString(const char* key, const char* name, const std::string& text);

struct UserValue {
  DWORD type = REG_NONE;
  std::string bytes;  // as stored, a string's terminating zero included
};
// Nothing when the key or the value is missing.
std::optional<UserValue> GetUserValue(const char* key, const char* name);

void DeleteUserValue(const char* key, const char* name);
void DeleteUserKey(const char* key);  // with everything below it

// The string data of every value under HKEY_LOCAL_MACHINE\<key> (read only), in the registry's
// order; empty when the key is missing. For lists Windows keeps there, such as the serial ports
// under HARDWARE\DEVICEMAP\SERIALCOMM.
std::vector<std::string> MachineStrings(const char* key);

}  // namespace toolkit
