// Windows and Winsock error numbers in words, from the system's own message table, for status
// lines and logs: "connection refused (Winsock error 10061)" rather than a bare number.
#pragma once

#include <windows.h>

#include <string>

namespace winui {

// The system's text for `code`, without its closing full stop and line break; empty when the
// system has none.
inline std::string ErrorWords(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
      nullptr);
  std::string words = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                            words.back() == '.'))
    words.pop_back();
  return words;
}

// "words (kind code)", or "kind code" when the system has no words for it:
// ErrorText(10061, "Winsock error").
inline std::string ErrorText(DWORD code, const std::string& kind = "error") {
  std::string words = ErrorWords(code);
  std::string number = kind + " " + std::to_string(code);
  return words.empty() ? number : words + " (" + number + ")";
}

}  // namespace winui
