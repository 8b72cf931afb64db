#include "sim_log.h"

#include <windows.h>

namespace rotsim {

SimLog::SimLog(const std::string& path) {
  if (!path.empty()) file_ = std::fopen(path.c_str(), "ab");
}

SimLog::~SimLog() {
  if (file_) std::fclose(file_);
}

void SimLog::Line(const std::string& text) {
  if (!file_) return;
  SYSTEMTIME t;
  GetLocalTime(&t);
  std::fprintf(file_, "%02u:%02u:%02u.%03u %s\r\n", t.wHour, t.wMinute, t.wSecond, t.wMilliseconds,
               text.c_str());
  std::fflush(file_);
}

}  // namespace rotsim
