// The text of a dialog's control, as the dialog's ANSI functions read it.
#pragma once

#include <windows.h>

#include <string>

namespace winui {

inline std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace winui
