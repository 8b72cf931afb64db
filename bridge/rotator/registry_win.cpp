#include "bridge/rotator/registry_win.h"

#include <vector>

#include "bridge/base/error_texts.h"
#include "bridge/base/errors.h"

namespace vexal {

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  CloseKey();
  std::string path = (!key.empty() && key.front() == '\\') ? key.substr(1) : key;
  // Read access only: a user who may read but not write the key still gets the setting.
  return RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, &key_) == ERROR_SUCCESS;
}

void TRegistry::CloseKey() {
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
}

std::string TRegistry::ReadString(const std::string& name) const {
  DWORD type = 0;
  DWORD size = 0;
  if (!key_ ||
      RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException(error_text::RegistryWrongType(QuotedForError(name)));
  if (size == 0) return {};
  std::vector<char> data(size);
  DWORD read_size = size;
  // RegQueryValueExA does not expand REG_EXPAND_SZ data, which is what is wanted here.
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &read_size) != ERROR_SUCCESS)
    throw ERegistryException(error_text::RegistryReadFailed(QuotedForError(name)));
  std::string text(data.data(), read_size);
  return text.substr(0, text.find('\0'));
}

}  // namespace vexal
