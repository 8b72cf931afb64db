#include <gtest/gtest.h>

#include <string>

#include "bridge/base/error_texts.h"
#include "bridge/base/errors.h"
#include "bridge/rotator/strict_integer.h"

namespace {

using vexal::error_text::DdeInitFailed;
using vexal::error_text::DdeInitFailure;

TEST(AnsiToUtf8, GermanAndEuroSignConvert) {
  EXPECT_EQ(vexal::AnsiToUtf8("g\xFC" "ltig"), "g\xC3\xBC" "ltig");
  EXPECT_EQ(vexal::AnsiToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(vexal::AnsiToUtf8("plain"), "plain");
}

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
              '\'' + std::string(64, '1') + kEllipsis + "' ist kein g\xC3\xBCltiger Integerwert");
  }
}

// DDEML's error numbers are shown as "$0" and upper-case hexadecimal digits.
TEST(ErrorTexts, DdeInitFailuresShowTheirCodeInHex) {
  EXPECT_EQ(DdeInitFailed(DdeInitFailure::LowMemory, 0x4008),
            "Wegen Speichermangel bei DDE ist ein Fehler aufgetreten ($04008).");
  EXPECT_EQ(DdeInitFailed(DdeInitFailure::NoConversation, 0x400A),
            "DDE-Fehler - Konversation konnte nicht eingerichtet werden ($0400A)");
  EXPECT_EQ(DdeInitFailed(DdeInitFailure::Other, 0x4006),
            "DDE gab einen Fehler zur\xC3\xBC" "ck ($04006)");
}

}  // namespace
