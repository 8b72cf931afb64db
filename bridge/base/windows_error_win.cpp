#include "bridge/base/windows_error_win.h"

#include "winui/windows_error_text_win.h"

namespace vexal {

std::string FormatWindowsError(DWORD code) {
  std::string words = winui::ErrorWords(code);
  return words.empty() ? "error " + std::to_string(code) : words + " (" + std::to_string(code) + ")";
}

}  // namespace vexal
