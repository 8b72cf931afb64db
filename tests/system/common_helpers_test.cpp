// The Win32 helpers every program shares, in this process under Wine: registry keys and values
// as stored (common/winui/registry_win.h), 96-dpi measures in pixels (dpi_win.h) and the event
// log's lines (common/toolkit/line_log_win.h).
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "harness.h"
#include "toolkit/line_log_win.h"
#include "winui/dpi_win.h"
#include "winui/registry_win.h"

namespace {

constexpr char kKey[] = "Software\\VexalHelperTest";

class RegistryHelper : public ::testing::Test {
 protected:
  void SetUp() override { winui::DeleteUserKey(kKey); }
  void TearDown() override { winui::DeleteUserKey(kKey); }
};

TEST_F(RegistryHelper, ValuesComeBackAsStoredAndMissingOnesAreTold) {
  EXPECT_FALSE(winui::RegKey::Open(HKEY_CURRENT_USER, kKey, KEY_READ)) << "opened a missing key";
  EXPECT_FALSE(winui::GetUserValue(kKey, "Program"));

  ASSERT_TRUE(winui::SetUserString(kKey, "Program", "C:\\R\\RotServer.exe"));
  const DWORD number = 0x12345678;
  ASSERT_TRUE(winui::SetUserValue(kKey, "Number", REG_DWORD, &number, sizeof number));
  ASSERT_TRUE(winui::SetUserValue(kKey, "Empty", REG_SZ, "", 0));
  ASSERT_TRUE(winui::SetUserValue(kKey, "Two", REG_EXPAND_SZ, "%A%\0B\0", 7));

  // A leading backslash names the key from the root, as the bridge's setting is documented.
  winui::RegKey key =
      winui::RegKey::Open(HKEY_CURRENT_USER, "\\Software\\VexalHelperTest", KEY_READ);
  ASSERT_TRUE(key);
  winui::RegValue value;
  ASSERT_EQ(key.Value("Program", &value), winui::RegKey::Read::kRead);
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value.bytes, std::string("C:\\R\\RotServer.exe", 19)) << "the NUL is kept";
  EXPECT_EQ(winui::StringOf(value), "C:\\R\\RotServer.exe");

  ASSERT_EQ(key.Value("Number", &value), winui::RegKey::Read::kRead);
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value.bytes, std::string("\x78\x56\x34\x12", 4));

  ASSERT_EQ(key.Value("Empty", &value), winui::RegKey::Read::kRead);
  EXPECT_EQ(value.bytes, "");
  ASSERT_EQ(key.Value("Two", &value), winui::RegKey::Read::kRead);
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(winui::StringOf(value), "%A%") << "cut at the first NUL, not expanded";
  EXPECT_EQ(key.Value("Nothing", &value), winui::RegKey::Read::kMissing);

  winui::DeleteUserValue(kKey, "Number");
  EXPECT_FALSE(winui::GetUserValue(kKey, "Number"));
  EXPECT_TRUE(winui::GetUserValue(kKey, "Program")) << "deleted more than one value";
  winui::DeleteUserKey(kKey);
  EXPECT_FALSE(winui::RegKey::Open(HKEY_CURRENT_USER, kKey, KEY_READ));
}

TEST(DpiHelper, DesignMeasuresScaleRoundedAsMulDivRounds) {
  EXPECT_EQ(winui::Scale(212, 96), 212);
  EXPECT_EQ(winui::Scale(212, 144), 318);
  EXPECT_EQ(winui::Scale(1, 144), 2) << "a half rounds up";
  EXPECT_EQ(winui::Scale(13, 120), 16);
  EXPECT_EQ(winui::Scale(15, 192), 30);
  EXPECT_EQ(winui::Scale(-15, 120), -19) << "font heights are negative";
  EXPECT_GT(winui::ScreenDpi(), 0);
  EXPECT_EQ(winui::WindowDpi(GetDesktopWindow()), winui::ScreenDpi());
}

TEST(LineLogFile, LinesAreStampedAndAFreshLogStartsEmpty) {
  const std::string path = harness::TestDir() + "\\events.log";
  const std::regex stamped(R"(\d\d:\d\d:\d\d\.\d{3} t=\d+\.\d{6} (.*))");
  {
    toolkit::LineLog log(path, toolkit::LineLog::Open::kTruncate);
    ASSERT_TRUE(log.enabled());
    std::smatch parts;
    const std::string first = log.Line("first event");
    ASSERT_TRUE(std::regex_match(first, parts, stamped)) << first;
    EXPECT_EQ(parts[1], "first event");
  }
  { toolkit::LineLog(path).Line("appended"); }
  std::vector<std::string> lines = harness::ReadLines(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[1], stamped)) << lines[1];
  EXPECT_NE(lines[1].find(" appended"), std::string::npos);

  { toolkit::LineLog(path, toolkit::LineLog::Open::kTruncate).Line("again"); }
  lines = harness::ReadLines(path);
  ASSERT_EQ(lines.size(), 1u) << "the earlier run's lines stayed";
  EXPECT_NE(lines[0].find(" again"), std::string::npos);

  toolkit::LineLog none("");
  EXPECT_FALSE(none.enabled());
  EXPECT_NE(none.Line("shown elsewhere").find(" t="), std::string::npos);
}

}  // namespace
