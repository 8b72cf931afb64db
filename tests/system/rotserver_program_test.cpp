// RotServer.exe as an operator meets it: the first start opens the settings with the simulated
// rotator chosen while the DDE side already answers, stored settings that cannot be used are
// named and drive no rotator, and Esc on its window stops the rotator.
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

TEST_F(RotServerProgram, FirstStartOpensTheSettingsWithTheSimulatedRotatorWhileDdeAnswers) {
  ASSERT_FALSE(rotserver::LoadSettings());
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
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
  EXPECT_EQ(harness::WindowText(GetDlgItem(dialog, rotserver::kIdBackend)), "simulated");

  // The dialog waits for the operator; the bridge is served meanwhile.
  EXPECT_TRUE(bridge_.Execute(std::string("HS \r\n") + '\0'));
  EXPECT_TRUE(bridge_.WaitAzimuth(0, 10s)) << "no status macro while the dialog is open";
  auto log = server.Log();
  auto at = [&](const std::string& needle) {
    for (std::size_t i = 0; i < log.size(); ++i)
      if (log[i].find(needle) != std::string::npos) return static_cast<long>(i);
    return -1L;
  };
  EXPECT_LT(at(" registered service="), at("first start: settings dialog"));

  SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([] { return rotserver::LoadSettings().has_value(); }, 5s));
  EXPECT_EQ(rotserver::LoadSettings()->settings.backend, rotserver::BackendKind::kSimulated);
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
