// The errors that handlers raise and that the application's error box shows. Their texts are
// in error_texts.h.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace vexal {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

class EDdeError : public Exception {
 public:
  using Exception::Exception;
};

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// 8-bit text as the partners send it (Windows-1252) turned into UTF-8 for an error text.
std::string AnsiToUtf8(const std::string& ansi);

// The longest piece of a partner's text that an error text quotes.
inline constexpr std::size_t kMostQuotedCharacters = 64;

// Offending 8-bit text for an error text, in UTF-8: its first kMostQuotedCharacters
// characters, followed by "…" when there were more. A partner may send megabytes; the
// message box shows a line.
std::string QuotedForError(const std::string& ansi);

}  // namespace vexal
