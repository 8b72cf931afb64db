#include <gtest/gtest.h>

#include <string>

#include "rotator/service_rule.h"

using vexal::ProgramCommandLine;
using vexal::ProgramPath;
using vexal::RotatorServiceName;

namespace {

std::string ServiceOf(const std::string& value) {
  return RotatorServiceName(ProgramPath(value));
}

TEST(ProgramPath, OnePairOfSurroundingQuotesGoesBeforeTheServiceRule) {
  EXPECT_EQ(ServiceOf("\"C:\\Program Files\\Vexal\\RotServer.exe\""), "RotServer");
  EXPECT_EQ(ServiceOf("C:\\Program Files\\Vexal\\RotServer.exe"), "RotServer");
  EXPECT_EQ(ServiceOf("\"C:\\Tools\\roduv.ex\""), "rodu");
  EXPECT_EQ(ServiceOf("C:\\Tools\\roduv.ex"), "rodu");
  // Only one pair, and only around the whole value.
  EXPECT_EQ(ProgramPath("\"\"C:\\R\\Rot.exe\"\""), "\"C:\\R\\Rot.exe\"");
  EXPECT_EQ(ProgramPath("\"C:\\R\\Rot.exe\" /min"), "\"C:\\R\\Rot.exe\" /min");
  EXPECT_EQ(ProgramPath("\"C:\\R\\Rot.exe"), "\"C:\\R\\Rot.exe");
  EXPECT_EQ(ProgramPath("\""), "\"");
  EXPECT_EQ(ProgramPath("\"\""), "");
}

TEST(ProgramCommandLine, PathWithBlanksIsQuotedOnce) {
  EXPECT_EQ(ProgramCommandLine("C:\\Program Files\\Vexal\\RotServer.exe"),
            "\"C:\\Program Files\\Vexal\\RotServer.exe\"");
  EXPECT_EQ(ProgramCommandLine("\"C:\\Program Files\\Vexal\\RotServer.exe\""),
            "\"C:\\Program Files\\Vexal\\RotServer.exe\"");
  // A value that begins with a quote keeps its arguments after the quoted path.
  EXPECT_EQ(ProgramCommandLine("\"C:\\Program Files\\Rot.exe\" /min"),
            "\"C:\\Program Files\\Rot.exe\" /min");
}

TEST(ProgramCommandLine, PathWithoutBlanksOrWithoutProgramIsLeftAlone) {
  EXPECT_EQ(ProgramCommandLine("C:\\Tools\\Roduv.exe"), "C:\\Tools\\Roduv.exe");
  EXPECT_EQ(ProgramCommandLine("\"C:\\Tools\\Roduv.exe\""), "\"C:\\Tools\\Roduv.exe\"");
  EXPECT_EQ(ProgramCommandLine(""), "");
  EXPECT_EQ(ProgramCommandLine("\"\""), "");
}

}  // namespace
