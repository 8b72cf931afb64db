#include "win/run_log_win.h"

#include <windows.h>

namespace rotserver {

RunLog::RunLog(const std::string& path) {
  if (!path.empty()) file_ = std::fopen(path.c_str(), "ab");
}

RunLog::~RunLog() {
  if (file_) std::fclose(file_);
}

void RunLog::Line(const std::string& text) {
  if (!file_) return;
  SYSTEMTIME local;
  GetLocalTime(&local);
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  long long micros = count.QuadPart / frequency.QuadPart * 1000000 +
                     count.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
  std::fprintf(file_, "%02u:%02u:%02u.%03u t=%lld.%06lld %s\r\n", local.wHour, local.wMinute,
               local.wSecond, local.wMilliseconds, micros / 1000000, micros % 1000000,
               text.c_str());
  std::fflush(file_);
}

std::string Escaped(std::string_view bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\0':
        out += "\\0";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else {
          out += "\\x";
          out += hex[c >> 4];
          out += hex[c & 15];
        }
    }
  }
  return out;
}

}  // namespace rotserver
