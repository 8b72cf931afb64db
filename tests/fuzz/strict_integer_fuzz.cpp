// Fuzzes the integer rule against an independent reading of its decimal form and against
// itself for hexadecimal: accepted values must read back the same when written out again.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "bridge/base/errors.h"
#include "bridge/rotator/strict_integer.h"

namespace {

void Check(bool ok, const char* what, std::string_view text) {
  if (ok) return;
  std::fprintf(stderr, "%s: '%.*s'\n", what, static_cast<int>(text.size()), text.data());
  std::abort();
}

// Blanks, one optional sign, digits only: then from_chars on 64 bits is the reference.
bool IsPlainDecimal(std::string_view text, std::string& digits_with_sign) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  std::string out;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') out += '-';
    ++i;
  }
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    out += text[i];
  }
  digits_with_sign = out;
  return true;
}

void CheckAgainstDecimalReading(std::string_view text, std::optional<std::int32_t> result) {
  std::string number;
  if (!IsPlainDecimal(text, number)) return;
  long long expected = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), expected);
  const bool in_range = error == std::errc{} && expected >= INT32_MIN && expected <= INT32_MAX;
  Check(result.has_value() == in_range, "decimal acceptance differs", text);
  if (in_range) Check(*result == expected, "decimal value differs", text);
}

void CheckRoundTrips(std::string_view text, std::int32_t value) {
  Check(vexal::ParseStrictInteger(std::to_string(value)) == value, "decimal round trip", text);
  char hex[16];
  std::snprintf(hex, sizeof hex, "$%08X", static_cast<unsigned>(value));
  Check(vexal::ParseStrictInteger(hex) == value, "hex round trip", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto result = vexal::ParseStrictInteger(text);
  CheckAgainstDecimalReading(text, result);
  if (result) CheckRoundTrips(text, *result);

  bool threw = false;
  try {
    Check(vexal::StrictInteger(text) == result, "StrictInteger value differs", text);
  } catch (const vexal::EConvertError&) {
    threw = true;
  }
  Check(threw == !result.has_value(), "StrictInteger throws differently", text);
  return 0;
}
