#include "toolkit/line_log_win.h"

#include <windows.h>

namespace toolkit {

namespace {

std::string Stamped(const std::string& text) {
  SYSTEMTIME local;
  GetLocalTime(&local);
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  // Whole seconds and the remainder apart: count * 1000000 alone overflows at 9.2 * 10^12
  // ticks, which a 10 MHz counter (Wine's, and most Windows machines') reaches after 10.7 days.
  long long micros = count.QuadPart / frequency.QuadPart * 1000000 +
                     count.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u t=%lld.%06lld ", local.wHour,
                local.wMinute, local.wSecond, local.wMilliseconds, micros / 1000000,
                micros % 1000000);
  return stamp + text;
}

}  // namespace

LineLog::LineLog(const std::string& path, Open open) {
  // "N": a handle no child inherits.
  if (!path.empty()) file_ = std::fopen(path.c_str(), open == Open::kAppend ? "abN" : "wbN");
}

LineLog::~LineLog() {
  if (file_) std::fclose(file_);
}

std::string LineLog::Line(const std::string& text) {
  std::string line = Stamped(text);
  if (file_) {
    std::fprintf(file_, "%s\r\n", line.c_str());
    std::fflush(file_);
  }
  return line;
}

}  // namespace toolkit
