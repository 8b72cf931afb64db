// Read-only access to one key of the registry, closed when the object goes.
#pragma once

#include <windows.h>

#include <string>

namespace vexal {

class TRegistry {
 public:
  explicit TRegistry(HKEY root) : root_(root) {}
  ~TRegistry() { CloseKey(); }
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Opens an existing key for reading; a leading "\" names it from the root. Never creates it.
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();

  // A string value (REG_SZ, or REG_EXPAND_SZ taken unexpanded), cut at its first NUL; empty
  // when the value is missing or has size 0. Throws ERegistryException for another type or
  // when the data cannot be read.
  std::string ReadString(const std::string& name) const;

 private:
  HKEY root_;
  HKEY key_ = nullptr;
};

}  // namespace vexal
