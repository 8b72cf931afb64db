// What the tools' tests share: paths of the built programs and a job that ends every process a
// test starts.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/job_win.h"

namespace benchtest {

inline std::string BinPath(const std::string& file) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of("\\/") + 1) + file;
}

// Every process a test starts is killed when the test's Job goes.
using Job = toolkit::Job;

}  // namespace benchtest
