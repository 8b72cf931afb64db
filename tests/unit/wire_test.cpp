// The wire facts shared by the bridge, RotServer and the tools: the service-name rule and
// the status macro's layout.
#include <gtest/gtest.h>

#include <string>

#include "wire/wire.h"

using wire::ProgramCommandLine;
using wire::ProgramPath;
using wire::RotatorServiceName;

namespace {

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

std::string ServiceOf(const std::string& value) {
  return RotatorServiceName(ProgramPath(value));
}

TEST(ProgramPath, OnePairOfSurroundingQuotesGoesBeforeTheServiceRule) {
  EXPECT_EQ(ServiceOf("\"C:\\Program Files\\Vexal\\RotServer.exe\""), "RotServer");
  EXPECT_EQ(ServiceOf("C:\\Program Files\\Vexal\\RotServer.exe"), "RotServer");
  EXPECT_EQ(ServiceOf("\"C:\\Tools\\roduv.ex\""), "rodu");
  EXPECT_EQ(ServiceOf("C:\\Tools\\roduv.ex"), "rodu");
  // An opening quote that is never closed is part of the path.
  EXPECT_EQ(ProgramPath("\"C:\\R\\Rot.exe"), "\"C:\\R\\Rot.exe");
  EXPECT_EQ(ProgramPath("\""), "\"");
  EXPECT_EQ(ProgramPath("\"\""), "");
  EXPECT_EQ(ProgramPath("\"\"C:\\R\\Rot.exe\"\""), "") << "the first pair is empty";
}

// The value that docs/operating.md suggests: a quoted path, then the server's own arguments.
TEST(ProgramPath, QuotedPathFollowedByArgumentsNamesTheServiceByThePathAlone) {
  EXPECT_EQ(ProgramPath("\"C:\\X\\Rot.exe\" /min"), "C:\\X\\Rot.exe");
  EXPECT_EQ(ServiceOf("\"C:\\X\\Rot.exe\" /min"), "Rot");
  EXPECT_EQ(ServiceOf("\"C:\\Program Files\\Vexal\\RotServer.exe\" --log \"C:\\a b.log\""),
            "RotServer");
  EXPECT_EQ(ServiceOf("\"C:\\X\\Rot.exe\"/min"), "Rot");
  // Unquoted, the rule is today's: the whole value, arguments included.
  EXPECT_EQ(ServiceOf("C:\\X\\Rot.exe /min"), "Rot.exe ");
  EXPECT_EQ(ProgramCommandLine("\"\" /min"), "") << "an empty quoted part names no program";
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

// The layout every partner writes and the bridge reads: azimuth on line 1, direction on 3,
// range mode on 7, zeros elsewhere, ten lines each ended by CR LF.
TEST(StatusMacroText, TenLinesWithTheValuesOnLinesOneThreeAndSeven) {
  EXPECT_EQ(wire::StatusMacroText(2450, -1, 1),
            "2450\r\n0\r\n-1\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n");
  EXPECT_EQ(wire::StatusMacroText(wire::kOffTenths, 0, 0),
            "-100000\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
}

}  // namespace
