#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "rotator/strict_integer.h"

namespace {

const std::string kEllipsis = "\xE2\x80\xA6";

TEST(QuotedForError, AtMostSixtyFourCharactersThenAnEllipsis) {
  const std::string exact(64, '7');
  EXPECT_EQ(vexal::QuotedForError(exact), exact);
  EXPECT_EQ(vexal::QuotedForError(exact + "8"), exact + kEllipsis);
  EXPECT_EQ(vexal::QuotedForError(std::string(1000000, 'x')), std::string(64, 'x') + kEllipsis);
  EXPECT_EQ(vexal::QuotedForError(""), "");
}

TEST(QuotedForError, CountsCharactersOfThePartnersCodePageNotBytesOfTheMessage) {
  // 64 umlauts are 64 characters as received and 128 bytes in the UTF-8 message.
  const std::string umlauts(70, '\xFC');
  std::string expected;
  for (int i = 0; i < 64; ++i) expected += "\xC3\xBC";
  EXPECT_EQ(vexal::QuotedForError(umlauts), expected + kEllipsis);
}

TEST(QuotedForError, ConversionErrorOfAHugeLineQuotesItsStart) {
  try {
    vexal::StrictInteger(std::string(100, '1') + "x");
    FAIL() << "no error for a non-integer";
  } catch (const vexal::EConvertError& e) {
    EXPECT_EQ(std::string(e.what()),
              "'" + std::string(64, '1') + kEllipsis + "' ist kein g\xC3\xBCltiger Integerwert");
  }
}

}  // namespace
