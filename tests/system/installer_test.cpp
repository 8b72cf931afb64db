// The release's MSI, as an operator meets it: a silent install puts both programs, the guide and
// the licence notices in C:\Program Files\Vexal with three Start-menu shortcuts and an
// uninstall entry; both programs start from there, RotServer's Help → About tells its
// version, the rotctld in use and the licences, and its Details… the status line's technical
// chain; a silent uninstall leaves only the operator's own settings.
#include <gtest/gtest.h>

#include <regex>

#include "harness.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver/win/resource_ids.h"

using namespace harness;
using namespace std::chrono_literals;

namespace {

#ifdef VEXAL_INSTALLER_MSI
const char kFolder[] = "C:\\Program Files\\Vexal\\";
const char kPrograms[] = "\\Microsoft\\Windows\\Start Menu\\Programs\\";
const char* const kShortcuts[] = {"Logger32-Vexal.lnk", "RotServer.lnk",
                                  "Logger32-Vexal guide.lnk"};
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Environment(const char* name) {
  char value[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
  return length < MAX_PATH ? std::string(value, length) : std::string();
}

// A Start-menu shortcut: in the common Start menu, as Windows puts a per-machine install's;
// Wine 8 puts it in the user's.
bool ShortcutExists(const std::string& name) {
  return Exists(Environment("ProgramData") + kPrograms + name) ||
         Exists(Environment("APPDATA") + kPrograms + name);
}

// msiexec with `action` (/i, /x) on the release's MSI, silently; its exit code.
DWORD Msiexec(Job& job, const std::string& action) {
  std::string msi = "Z:" VEXAL_INSTALLER_MSI;
  for (char& c : msi)
    if (c == '/') c = '\\';
  Child msiexec(job, "C:\\windows\\system32\\msiexec.exe " + action + " \"" + msi + "\" /qn");
  DWORD code = 99;
  EXPECT_TRUE(msiexec.WaitExit(60s, &code)) << "msiexec " << action << " did not end";
  return code;
}

// The uninstall entries (HKLM) whose DisplayName is "Logger32-Vexal".
int UninstallEntries() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &key))
    return 0;
  int found = 0;
  char name[256];
  for (DWORD i = 0, size = sizeof name;
       RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = sizeof name) {
    char shown[256] = {};
    DWORD bytes = sizeof shown - 1;
    if (RegGetValueA(key, name, "DisplayName", RRF_RT_REG_SZ, nullptr, shown, &bytes) ==
            ERROR_SUCCESS &&
        std::string(shown) == "Logger32-Vexal")
      ++found;
  }
  RegCloseKey(key);
  return found;
}

// The whole text of another process's control, however long (the licences run to 30 KB).
std::string AllText(HWND control) {
  DWORD_PTR length = 0;
  SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
  std::string text(length + 1, '\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 2000, &got);
  text.resize(got);
  return text;
}

void SetSetting(const char* name, const char* value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kVexalKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>(strlen(value) + 1));
  RegCloseKey(key);
}
#endif

}  // namespace

TEST(Installer, InstallsStartsAndUninstallsLeavingTheOperatorsSettings) {
#ifndef VEXAL_INSTALLER_MSI
  GTEST_SKIP() << "no MSI in this build (wixl or pandoc missing: scripts/deps installs them)";
#else
  Job job;
  DeleteVexalKey();
  // Wine would also write the shortcuts into the Linux desktop's menus.
  const std::string overrides = Environment("WINEDLLOVERRIDES");
  SetEnvironmentVariableA("WINEDLLOVERRIDES", (overrides + ";winemenubuilder.exe=d").c_str());
  // An operator who has used RotServer before: no first-start questions.
  SetSetting("RotatorBackend", "simulated");
  SetSetting("Station", "JO62qm");
  ASSERT_EQ(Msiexec(job, "/i"), 0u);
  for (const char* file : {"Logger32Vexal.exe", "RotServer.exe", "logger32-sim.exe", "README.html",
                           "docs\\operating.html", "docs\\rotserver.html",
                           "docs\\img\\rotserver-map.png", "THIRD-PARTY-NOTICES.txt"})
    EXPECT_TRUE(Exists(kFolder + std::string(file))) << file;
  EXPECT_FALSE(Exists(kFolder + std::string("docs\\img\\soak-chain.png"))) << "a developer's";
  EXPECT_FALSE(Exists(kFolder + std::string("README.md")));
  for (const char* link : kShortcuts) EXPECT_TRUE(ShortcutExists(link)) << link;
  EXPECT_EQ(UninstallEntries(), 1);

  {
    Child server(job, "\"" + std::string(kFolder) + "RotServer.exe\"");
    HWND window = WaitForTopWindow("RotServer", 20s, server.pid());
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, rotserver::kIdMenuAbout, 0);
    HWND about = WaitForTopWindow("About RotServer", 10s, server.pid());
    ASSERT_NE(about, nullptr);
    const std::string intro = AllText(GetDlgItem(about, ROTSERVER_TEXT_INTRO));
    EXPECT_TRUE(std::regex_search(intro, std::regex(R"(^RotServer \d+\.\d+\.\d+, the rotator )")))
        << intro;
    EXPECT_NE(intro.find("rotctld: none (simulated rotator)"), std::string::npos) << intro;
    const std::string licences = AllText(GetDlgItem(about, ROTSERVER_TEXT_BODY));
    for (const char* part : {"mingw-w64-crt", "winpthreads", "GCC RUNTIME LIBRARY EXCEPTION"})
      EXPECT_NE(licences.find(part), std::string::npos) << part;
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }, 5s));
    // Details… beside the status line: the technical chain, to copy into a help request.
    HWND button = GetDlgItem(window, rotserver::kIdDetails);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(rotserver::kIdDetails, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    HWND details = WaitForTopWindow("RotServer: details", 10s, server.pid());
    ASSERT_NE(details, nullptr);
    const std::string chain = AllText(GetDlgItem(details, ROTSERVER_TEXT_BODY));
    EXPECT_TRUE(
        std::regex_search(chain, std::regex(R"(^RotServer \d+\.\d+\.\d+\r\nsimulated: connected)")))
        << chain;
    EXPECT_NE(chain.find("\r\nLogger32-Vexal: not running"), std::string::npos) << chain;
    PostMessageA(details, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(details); }, 5s));

    Child bridge(job, "\"" + std::string(kFolder) + "Logger32Vexal.exe\"");
    EXPECT_NE(WaitForTopWindow("Logger32-Vexal", 20s, bridge.pid()), nullptr);
    bridge.Kill();
    server.Kill();
    EXPECT_TRUE(bridge.WaitExit(10s) && server.WaitExit(10s));
  }

  ASSERT_EQ(Msiexec(job, "/x"), 0u);
  EXPECT_FALSE(Exists(kFolder)) << "the program folder stays";
  for (const char* link : kShortcuts) EXPECT_FALSE(ShortcutExists(link)) << link;
  EXPECT_EQ(UninstallEntries(), 0);
  // The operator's settings stay, as they were.
  char station[32] = {};
  DWORD size = sizeof station;
  EXPECT_EQ(
      RegGetValueA(HKEY_CURRENT_USER, kVexalKey, "Station", RRF_RT_REG_SZ, nullptr, station, &size),
      ERROR_SUCCESS);
  EXPECT_STREQ(station, "JO62qm");
  DeleteVexalKey();
  SetEnvironmentVariableA("WINEDLLOVERRIDES", overrides.c_str());
#endif
}
