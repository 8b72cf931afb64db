// Whether a path names a file (not a folder) that is there now.
#pragma once

#include <windows.h>

#include <string>

namespace winui {

inline bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace winui
