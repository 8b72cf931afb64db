// The text forms of a macro: splitting received execute text into lines, building the text
// that is sent, and the service name taken from a program path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/dde/macro_text.h"

using vexal::dde::MacroText;
using vexal::dde::ServiceNameFromPath;
using vexal::dde::SplitMacroLines;
using Lines = std::vector<std::string>;

TEST(SplitMacroLines, BreaksOfEveryKind) {
  EXPECT_EQ(SplitMacroLines(""), Lines{});
  EXPECT_EQ(SplitMacroLines("A\r\nB\r\n"), (Lines{"A", "B"}));
  EXPECT_EQ(SplitMacroLines("A\r\n\r\n"), (Lines{"A", ""}));
  EXPECT_EQ(SplitMacroLines("\r\n"), Lines{""});
  EXPECT_EQ(SplitMacroLines("A\n\rB"), (Lines{"A", "", "B"}));
  EXPECT_EQ(SplitMacroLines("A\rB"), (Lines{"A", "B"}));
  EXPECT_EQ(SplitMacroLines("A\nB"), (Lines{"A", "B"}));
  EXPECT_EQ(SplitMacroLines("A\r\n\r\nB"), (Lines{"A", "", "B"}));
  EXPECT_EQ(SplitMacroLines("\r\r"), (Lines{"", ""}));
  EXPECT_EQ(SplitMacroLines("\n\n\r\n"), (Lines{"", "", ""}));
}

TEST(SplitMacroLines, TextAfterLastBreakIsLastLine) {
  EXPECT_EQ(SplitMacroLines("A"), Lines{"A"});
  EXPECT_EQ(SplitMacroLines("A\r\nB"), (Lines{"A", "B"}));
  // A CR at the very end followed by nothing is still one break, not the start of CR LF.
  EXPECT_EQ(SplitMacroLines("A\r"), Lines{"A"});
}

TEST(SplitMacroLines, NothingIsTrimmed) {
  EXPECT_EQ(SplitMacroLines(" 1234 \r\n\t\x01x\r\n"), (Lines{" 1234 ", "\t\x01x"}));
  EXPECT_EQ(SplitMacroLines("HS "), Lines{"HS "});
  std::string high = "\xe4\xf6\xfc\xff";
  EXPECT_EQ(SplitMacroLines(high + "\n"), Lines{high});
}

TEST(MacroText, EachLineEndsInCrLf) {
  EXPECT_EQ(MacroText({}), "");
  EXPECT_EQ(MacroText({"HS "}), "HS \r\n");
  EXPECT_EQ(MacroText({"2450", "0", "0"}), "2450\r\n0\r\n0\r\n");
  EXPECT_EQ(MacroText({"", ""}), "\r\n\r\n");
}

TEST(MacroText, ZeroInsideALineCutsTheText) {
  EXPECT_EQ(MacroText({"A", std::string("B\0C", 3), "D"}), "A\r\nB");
  EXPECT_EQ(MacroText({std::string("\0X", 2)}), "");
}

TEST(MacroText, RoundTripsThroughSplit) {
  Lines lines{"1234", "", " x ", "-100000"};
  EXPECT_EQ(SplitMacroLines(MacroText(lines)), lines);
}

TEST(ServiceNameFromPath, FileNameUpToFirstDot) {
  EXPECT_EQ(ServiceNameFromPath("C:\\Program Files\\Vexal\\Logger32Vexal.exe"), "Logger32Vexal");
  EXPECT_EQ(ServiceNameFromPath("C:\\x\\Relay.x.exe"), "Relay");
  EXPECT_EQ(ServiceNameFromPath("C:\\x\\RelayNoDot"), "RelayNoDot");
  EXPECT_EQ(ServiceNameFromPath("D:Prog.exe"), "Prog");
  EXPECT_EQ(ServiceNameFromPath("Plain.exe"), "Plain");
  // A dot in a directory name does not count.
  EXPECT_EQ(ServiceNameFromPath("C:\\v1.2\\Bridge"), "Bridge");
  EXPECT_EQ(ServiceNameFromPath("C:\\dir\\.hidden"), "");
  EXPECT_EQ(ServiceNameFromPath("C:\\dir\\"), "");
  EXPECT_EQ(ServiceNameFromPath("C:\\MiXeD.Case.EXE"), "MiXeD");
}
