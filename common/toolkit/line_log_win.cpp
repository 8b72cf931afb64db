#include "toolkit/line_log_win.h"

#include <windows.h>

namespace toolkit {

LineLog::LineLog(const std::string& path) {
  if (!path.empty()) file_ = std::fopen(path.c_str(), "ab");
}

LineLog::~LineLog() {
  if (file_) std::fclose(file_);
}

void LineLog::Line(const std::string& text) {
  if (!file_) return;
  SYSTEMTIME local;
  GetLocalTime(&local);
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  // Whole seconds and the remainder apart: count * 1000000 alone overflows at 9.2 * 10^12
  // ticks, which a 10 MHz counter (Wine's, and most Windows machines') reaches after 10.7 days.
  long long micros = count.QuadPart / frequency.QuadPart * 1000000 +
                     count.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
  std::fprintf(file_, "%02u:%02u:%02u.%03u t=%lld.%06lld %s\r\n", local.wHour, local.wMinute,
               local.wSecond, local.wMilliseconds, micros / 1000000, micros % 1000000,
               text.c_str());
  std::fflush(file_);
}

}  // namespace toolkit
