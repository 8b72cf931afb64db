#include "bridge/rotator/strict_integer.h"

#include "bridge/base/error_texts.h"
#include "bridge/base/errors.h"

namespace vexal {

namespace {

constexpr int kMaxHexDigits = 8;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Length of a hexadecimal prefix at the start of `s`, 0 if there is none.
std::size_t HexPrefixLength(std::string_view s) {
  if (s.empty()) return 0;
  if (s[0] == '$' || s[0] == 'x' || s[0] == 'X') return 1;
  if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) return 2;
  return 0;
}

// Hex digits form a 32-bit pattern read as signed; a minus negates it with 32-bit wrap-around,
// so "-$80000000" stays the smallest value instead of overflowing.
std::optional<std::int32_t> ParseHexDigits(std::string_view digits, bool negative) {
  if (digits.empty()) return std::nullopt;
  std::uint32_t pattern = 0;
  int significant = 0;
  for (char c : digits) {
    const int v = HexDigitValue(c);
    if (v < 0) return std::nullopt;
    if (significant > 0 || v != 0) {
      if (++significant > kMaxHexDigits) return std::nullopt;
    }
    pattern = (pattern << 4) | static_cast<std::uint32_t>(v);
  }
  if (negative) pattern = 0u - pattern;
  return static_cast<std::int32_t>(pattern);
}

std::optional<std::int32_t> ParseDecimalDigits(std::string_view digits, bool negative) {
  if (digits.empty()) return std::nullopt;
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;  // magnitude of the smallest value
  std::int64_t magnitude = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kLimit) return std::nullopt;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

std::optional<std::int32_t> ParseStrictInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::string_view rest = text.substr(i);
  if (const std::size_t prefix = HexPrefixLength(rest); prefix > 0) {
    return ParseHexDigits(rest.substr(prefix), negative);
  }
  return ParseDecimalDigits(rest, negative);
}

std::int32_t StrictInteger(const std::string& text) {
  if (const auto value = ParseStrictInteger(text)) return *value;
  throw EConvertError(error_text::NotAnInteger(QuotedForError(text)));
}

}  // namespace vexal
