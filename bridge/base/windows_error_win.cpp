#include "bridge/base/windows_error_win.h"

#include "winui/windows_error_text_win.h"

namespace vexal {

std::string FormatWindowsError(DWORD code) {
  std::string words = winui::ErrorWords(code);
  return words.empty() ? "error " + std::to_string(code) : words + " (" + std::to_string(code) + ")";
}

std::wstring Utf8ToWide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

}  // namespace vexal
