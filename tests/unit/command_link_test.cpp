#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rotator/macros.h"
#include "rotator/service_rule.h"

using vexal::RotatorServiceName;

namespace {

using Lines = std::vector<std::string>;

TEST(RotatorServiceName, FilePartWithoutItsLastFourCharacters) {
  EXPECT_EQ(RotatorServiceName("C:\\Tools\\Roduv.exe"), "Roduv");
  EXPECT_EQ(RotatorServiceName("Roduv.exe"), "Roduv");
  EXPECT_EQ(RotatorServiceName("D:Roduv.exe"), "Roduv");
  EXPECT_EQ(RotatorServiceName("\\\\server\\share.d\\Rot.exe"), "Rot");
  // Whatever the last four characters are.
  EXPECT_EQ(RotatorServiceName("C:\\Tools\\roduv.ex"), "rodu");
  EXPECT_EQ(RotatorServiceName("C:\\Tools\\Roduv.exe /min"), "Roduv.exe ");
  // Only '\' and ':' separate; a forward slash is part of the name.
  EXPECT_EQ(RotatorServiceName("C:/Tools/Rot.exe"), "/Tools/Rot");
}

TEST(RotatorServiceName, EmptyWhenTheFilePartHasFourCharactersOrFewer) {
  EXPECT_EQ(RotatorServiceName(""), "");
  EXPECT_EQ(RotatorServiceName("a.ex"), "");
  EXPECT_EQ(RotatorServiceName("C:\\Tools\\.exe"), "");
  EXPECT_EQ(RotatorServiceName("C:\\Tools\\"), "");
  EXPECT_EQ(RotatorServiceName("C:\\Long.Directory.Name\\"), "");
  EXPECT_EQ(RotatorServiceName("C:"), "");
  EXPECT_EQ(RotatorServiceName("a.exe"), "a");
}

TEST(RotatorMacros, GreetingAndTargetCommandLines) {
  EXPECT_EQ(vexal::GreetingLines(), Lines{"HS "});
  EXPECT_EQ(vexal::TargetCommandLines(245, 0), (Lines{"2450", "0", "0"}));
  EXPECT_EQ(vexal::TargetCommandLines(359.5, 0), (Lines{"3595", "0", "0"}));
  EXPECT_EQ(vexal::TargetCommandLines(-5, 0), (Lines{"-50", "0", "0"}));
  // Both values go through the same tenths format.
  EXPECT_EQ(vexal::TargetCommandLines(0.25, 0.75), (Lines{"2", "8", "0"}));
}

}  // namespace
