#include <gtest/gtest.h>

#include "base/errors.h"

TEST(AnsiToUtf8, GermanAndEuroSignConvert) {
  EXPECT_EQ(vexal::AnsiToUtf8("g\xFC" "ltig"), "g\xC3\xBC" "ltig");
  EXPECT_EQ(vexal::AnsiToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(vexal::AnsiToUtf8("plain"), "plain");
}
