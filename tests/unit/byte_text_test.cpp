// Bytes as the partners' logs show them and as scripts give them.
#include "toolkit/byte_text.h"

#include <gtest/gtest.h>

#include <string>

namespace toolkit {
namespace {

using namespace std::string_literals;

TEST(ByteText, HexShowsEveryByteInTwoUpperCaseDigits) {
  EXPECT_EQ(HexBytes("HS \r\n\0"s), "48 53 20 0D 0A 00");
  EXPECT_EQ(HexBytes("\xFF\x80"), "FF 80");
  EXPECT_EQ(HexBytes(""), "");
}

TEST(ByteText, EscapingKeepsPrintableTextAndNamesTheRest) {
  EXPECT_EQ(EscapedText("1230\r\n0\r\n\0"s), "1230\\r\\n0\\r\\n\\0");
  EXPECT_EQ(EscapedText("a\tb\\c\"d"), "a\\tb\\\\c\\\"d");
  // DEL, a high byte and a control byte other than the named ones.
  EXPECT_EQ(EscapedText("\x7F\xE4\x01"), "\\x7F\\xE4\\x01");
  EXPECT_EQ(EscapedText(" ~"), " ~");
}

TEST(ByteText, ShortenedEscapingSaysThatItLeftSomethingOutAndKeepsEscapesWhole) {
  EXPECT_EQ(EscapedText("RPRT 0\nRPRT 0\n", 8), "RPRT 0\\n...");
  EXPECT_EQ(EscapedText("RPRT 0", 6), "RPRT 0");  // all of it fitted: nothing to say
}

TEST(ByteText, UnescapeReversesEscapingForEveryByte) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  auto back = Unescape(EscapedText(every));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, every);
  EXPECT_EQ(Unescape("\\x4a\\x4B"), "JK");  // either letter case in hex
}

TEST(ByteText, MalformedEscapesGiveNothingRatherThanAGuess) {
  for (const char* bad : {"\\", "ab\\", "\\q", "\\x", "\\x4", "\\xG0", "\\x0G", "\\1"})
    EXPECT_FALSE(Unescape(bad)) << bad;
}

}  // namespace
}  // namespace toolkit
