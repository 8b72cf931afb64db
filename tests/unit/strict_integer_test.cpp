#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>

#include "bridge/base/errors.h"
#include "bridge/rotator/strict_integer.h"

using vexal::ParseStrictInteger;
using vexal::StrictInteger;

namespace {

struct Accepted {
  std::string_view text;
  std::int32_t value;
};

TEST(StrictIntegerGrammar, AcceptsBlanksSignDecimalAndEveryHexPrefix) {
  const Accepted cases[] = {
      {"0", 0},        {"-0", 0},    {"+0", 0},    {"  -5", -5}, {"+0012", 12},
      {"   7", 7},     {"$1A", 26},  {"$10", 16},  {"$1a", 26},  {"x1f", 31},
      {"X1F", 31},     {"0x10", 16}, {"0X10", 16}, {"+$a", 10},  {"-$1", -1},
      {" -0x10", -16}, {"007", 7},   {"$0", 0},    {"0x0", 0},   {"000", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseStrictInteger(c.text), c.value) << "'" << c.text << "'";
  }
}

TEST(StrictIntegerGrammar, RejectsAnythingOutsideTheForm) {
  const std::string_view cases[] = {
      "",
      " ",
      "5 ",
      "- 5",
      "1.0",
      "1e3",
      "+",
      "-",
      "$",
      "x",
      "0x",
      "0X",
      "+-5",
      "--5",
      "+$",
      "-0x",
      "$ 1",
      "0x-5",
      "$-5",
      "00x10",
      "$g",
      "0xG",
      "1a",
      "0b1",
      "\t5",
      "5\r",
      "5\r\n",
      "\xA0"
      "5",
      "5-",
      "$1A ",
      "1 2",
      "x$1",
      "$$1",
      "0$1",
      "1,000",
      "٣",
  };
  for (std::string_view text : cases) {
    EXPECT_FALSE(ParseStrictInteger(text).has_value()) << "'" << text << "'";
  }
  EXPECT_FALSE(ParseStrictInteger(std::string_view("5\0", 2)).has_value());
}

TEST(StrictIntegerLimits, DecimalStaysWithinSigned32Bit) {
  EXPECT_EQ(ParseStrictInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseStrictInteger("+2147483647"), INT32_MAX);
  EXPECT_EQ(ParseStrictInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseStrictInteger("0000000000002147483647"), INT32_MAX);
  EXPECT_FALSE(ParseStrictInteger("2147483648").has_value());
  EXPECT_FALSE(ParseStrictInteger("+2147483648").has_value());
  EXPECT_FALSE(ParseStrictInteger("-2147483649").has_value());
  EXPECT_FALSE(ParseStrictInteger("4294967296").has_value());  // would wrap to 0
  EXPECT_FALSE(ParseStrictInteger("99999999999999999999999").has_value());
}

TEST(StrictIntegerLimits, HexIsA32BitPatternOfAtMostEightDigits) {
  EXPECT_EQ(ParseStrictInteger("$7FFFFFFF"), INT32_MAX);
  EXPECT_EQ(ParseStrictInteger("$80000000"), INT32_MIN);
  EXPECT_EQ(ParseStrictInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseStrictInteger("0xffffffff"), -1);
  // Leading zeros do not count towards the eight digits.
  EXPECT_EQ(ParseStrictInteger("$000000001"), 1);
  EXPECT_EQ(ParseStrictInteger("0x00000000000FFFFFFFF"), -1);
  EXPECT_FALSE(ParseStrictInteger("$100000000").has_value());
  EXPECT_FALSE(ParseStrictInteger("x123456789").has_value());
}

TEST(StrictIntegerLimits, MinusBeforeHexNegatesWithWrapAround) {
  EXPECT_EQ(ParseStrictInteger("-$FFFFFFFF"), 1);
  EXPECT_EQ(ParseStrictInteger("-$7FFFFFFF"), -INT32_MAX);
  EXPECT_EQ(ParseStrictInteger("-$80000000"), INT32_MIN);
  EXPECT_EQ(ParseStrictInteger("-0x80000001"), INT32_MAX);
}

TEST(StrictIntegerErrors, RejectionRaisesConvertErrorNamingTheText) {
  EXPECT_EQ(StrictInteger("  -5"), -5);
  try {
    StrictInteger("5 ");
    FAIL() << "no error for a trailing blank";
  } catch (const vexal::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'5 ' ist kein g\xC3\xBCltiger Integerwert");
  }
  // The text arrives as Windows-1252 bytes; the message is UTF-8.
  try {
    StrictInteger("12\xB0");
    FAIL() << "no error for a degree sign";
  } catch (const vexal::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12\xC2\xB0' ist kein g\xC3\xBCltiger Integerwert");
  }
  EXPECT_THROW(StrictInteger(""), vexal::EConvertError);
}

}  // namespace
