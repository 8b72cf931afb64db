// RotServer.exe as an operator meets it: the first start opens the settings on rotctld while
// the DDE side already answers and then asks for the station, stored settings that cannot be
// used are named (the rotator's drive no rotator, the window's do not stop it), and Esc on its
// window stops the rotator.
// This process plays the bridge's DDE side.
#include <gtest/gtest.h>

#include "controls_input.h"
#include "rotserver_support.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver/win/settings_dialog_win.h"
#include "rotserver/win/settings_store_win.h"
#include "winui/registry_win.h"

using namespace std::chrono_literals;
using harness::WaitUntil;

namespace {

class RotServerProgram : public rstest::RotServerTest {
 protected:
  rstest::FakeBridge bridge_;
};

// The first start with rotctld.exe on PATH: the settings open on rotctld, no rotator is
// reported while nothing is chosen (nothing simulated passes for a real one), Logger32-Vexal is
// told in words without a registry name, and the station is asked for after, Skip allowed.
TEST_F(RotServerProgram, FirstStartOpensOnRotctldThenAsksForTheStation) {
  const std::string bin = dir_ + "\\first start bin";
  CreateDirectoryA(bin.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(harness::BinPath("rotctld-stand-in.exe").c_str(),
                        (bin + "\\rotctld.exe").c_str(), FALSE));
  char path[32768] = "";
  GetEnvironmentVariableA("PATH", path, sizeof path);
  const std::string old_path = path;
  SetEnvironmentVariableA("PATH", (old_path + ";" + bin).c_str());
  ASSERT_FALSE(rotserver::LoadSettings());
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  SetEnvironmentVariableA("PATH", old_path.c_str());
  HWND dialog = nullptr;
  // Shown once the modal loop idles, after WM_INITDIALOG has filled it: found earlier, its
  // fields may still be empty.
  ASSERT_TRUE(WaitUntil(
      [&] {
        dialog = FindWindowA("#32770", rotserver::kSettingsDialogTitle);
        return dialog && IsWindowVisible(dialog);
      },
      15s))
      << "no settings dialog on the first start";
  EXPECT_EQ(harness::WindowText(GetDlgItem(dialog, rotserver::kIdBackend)), "rotctld");
  EXPECT_EQ(harness::WindowText(GetDlgItem(dialog, rotserver::kIdRotctldPath)),
            bin + "\\rotctld.exe");

  // The dialog waits for the operator; the bridge is served meanwhile, with no rotator.
  EXPECT_TRUE(bridge_.WaitAzimuth(-100000, 10s)) << "no status macro while the dialog is open";
  EXPECT_EQ(server.ChildText(rotserver::kIdStatusLine).find("simulated"), std::string::npos);
  EXPECT_TRUE(server.WaitLog("notice Logger32-Vexal will start this RotServer", 5s));
  for (const std::string& line : server.Log())
    EXPECT_EQ(line.find("notice Logger32-Vexal will start this RotServer ("), std::string::npos)
        << line;

  SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  HWND station = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (station = FindWindowA("#32770", "Station and presets")) &&
               IsWindowVisible(station);
      },
      10s))
      << "the station is not asked for";
  EXPECT_EQ(harness::WindowText(GetDlgItem(station, IDCANCEL)), "Skip");
  SendMessageA(GetDlgItem(station, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(station); }, 5s));
  EXPECT_FALSE(rotserver::LoadSettings()) << "Cancel and Skip store nothing";
}

// Bad values of the window's own (presets, station, stay on top) never stop the rotator: they
// are named, their defaults used, and left stored as they are; a place far off the screen is
// fitted onto it; another program named for the bridge with an argument stays.
TEST_F(RotServerProgram, BadWindowValuesLeaveTheRotatorRunningAndStayStored) {
  rstest::StoreSettings(rotserver::Settings{});  // simulated
  const char kPresets[] = "A -5;B 1;C 2;D 3;E 4;F 5";
  winui::SetUserString("Software\\Vexal", "Presets", kPresets);
  winui::SetUserString("Software\\Vexal", "Station", "nan");
  winui::SetUserString("Software\\Vexal", "StayOnTop", "\x01");
  winui::SetUserString("Software\\Vexal", "WindowPlacement", "-99000 0 100000 600");
  // Another existing program with an argument, as the bridge reads it: not RotServer's to take.
  const std::string other = "\"" + harness::BinPath("logger32-sim.exe") + "\" /min";
  winui::SetUserString("Software\\Vexal", "Program", other);
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  EXPECT_TRUE(server.WaitLog("bridge program: left as it was", 10s));
  EXPECT_TRUE(bridge_.WaitAzimuth(0, 10s)) << "the rotator is not reported";
  EXPECT_TRUE(server.WaitLog("settings problem field=\"Presets\" Preset 1 must be", 5s));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return server.ChildText(rotserver::kIdStatusLine).find(
                   "Stored Station, Presets, Stay on top cannot be used: defaults for now.") !=
               std::string::npos;
      },
      5s))
      << server.ChildText(rotserver::kIdStatusLine);
  EXPECT_FALSE(FindWindowA("#32770", rotserver::kSettingsDialogTitle));
  HWND window = server.window();
  ASSERT_NE(window, nullptr);
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_GE(r.left, 0);
  EXPECT_GE(r.top, 0);
  EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_GE(r.right - r.left, 100);

  ASSERT_TRUE(server.Close(10s));
  auto stored = [](const char* name) {
    std::optional<winui::RegValue> value = winui::GetUserValue("Software\\Vexal", name);
    return value ? std::string(value->bytes.c_str()) : std::string("(none)");
  };
  EXPECT_EQ(stored("Program"), other);
  EXPECT_EQ(stored("Presets"), kPresets);
  EXPECT_EQ(stored("Station"), "nan");
  EXPECT_EQ(stored("WindowPlacement"),
            std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top))
      << "the place the operator saw is stored at close";
}

TEST_F(RotServerProgram, EscOnTheWindowStopsTheRotator) {
  rstest::StoreSettings(rotserver::Settings{});  // simulated, 6 degrees a second
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  ASSERT_TRUE(bridge_.WaitAzimuth(0, 10s));
  ASSERT_TRUE(bridge_.SendTarget(900));
  ASSERT_TRUE(WaitUntil([&] { return bridge_.LatestAzimuth().value_or(0) >= 30; }, 10s));

  HWND window = server.window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(controls::BringToFront(window, 5s));
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(server.WaitLog("operator stop", 5s)) << "Esc did not reach the stop";
  ASSERT_TRUE(WaitUntil([&] { return bridge_.macros().back()[2] == "0"; }, 5s)) << "still turning";
  int stopped = bridge_.LatestAzimuth().value_or(-1);
  EXPECT_LT(stopped, 900);
  // Still there a few reports later.
  std::size_t seen = bridge_.macros().size();
  ASSERT_TRUE(WaitUntil([&] { return bridge_.macros().size() >= seen + 6; }, 5s));
  EXPECT_EQ(bridge_.LatestAzimuth(), stopped);
}

// An unknown backend (a typing slip for "rotctld") is no choice of the simulated rotator: no
// rotator at all, the reason in the status line, the rotator off for the bridge, and the
// settings opened with the backend marked.
TEST_F(RotServerProgram, UnknownStoredBackendDrivesNoRotatorAndOpensTheSettingsMarked) {
  winui::SetUserString("Software\\Vexal", "RotatorBackend", "rotctl");
  winui::SetUserString("Software\\Vexal", "RotctldAddress", "127.0.0.1:9");
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  const std::string why =
      "Backend must be one of \"simulated\" or \"rotctld\" (stored: \"rotctl\").";
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (box = FindWindowA("#32770", rotserver::kInvalidSettingTitle)) &&
               IsWindowVisible(box);
      },
      15s))
      << "the settings did not open with the bad field marked";
  EXPECT_EQ(harness::WindowText(GetDlgItem(box, 0xFFFF)), why);
  EXPECT_TRUE(WaitUntil(
      [&] {
        // The settings' fault comes first; a notice may follow it.
        return server.ChildText(rotserver::kIdStatusDetails).rfind("no rotator: bad settings: " + why,
                                                                  0) == 0;
      },
      5s))
      << server.ChildText(rotserver::kIdStatusDetails);
  EXPECT_TRUE(bridge_.WaitAzimuth(-100000, 10s)) << "the bridge was told of a rotator";
  for (const auto& macro : bridge_.macros()) EXPECT_EQ(macro[0], "-100000");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  HWND dialog = FindWindowA("#32770", rotserver::kSettingsDialogTitle);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(harness::WindowText(GetDlgItem(dialog, rotserver::kIdBackend)), "")
      << "a backend is shown chosen";
  EXPECT_TRUE(WaitUntil(
      [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
               info.hwndFocus == GetDlgItem(dialog, rotserver::kIdBackend);
      },
      5s))
      << "the backend field is not marked";
}

}  // namespace
