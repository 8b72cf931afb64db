// RotServer.exe's window as an operator uses it: the great-circle map around the station (a
// click on a country turns there, Shift+click the long way round, the pointer tells bearing,
// distance and locator), the typed bearing with Enter, LP, a preset, the nudge keys and Esc,
// the click that only brings the window to the front, and the placement kept across a restart.
// Expected bearings and distances were worked out by hand (spherical earth, 6371 km) from the
// published coordinates of the cities, never read from the program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls_input.h"
#include "rose_picture.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver/win/resource_ids.h"
#include "rotserver/win/settings_store_win.h"
#include "rotserver_support.h"

using namespace std::chrono_literals;
using harness::WaitUntil;
using logger_test::Rgb;

namespace {

// Munich's locator JN58td: the centre of its subsquare is 48.1458° N, 11.6250° E.
constexpr char kMunich[] = "JN58td";
// From there, by the spherical law of cosines and the bearing formula:
//   New York (40.7128 N, 74.0060 W): 6490.9 km at 297.43°;
//   Tokyo (35.6762 N, 139.6503 E): 9366.1 km at 40.03° (its long path: 220.03°).
constexpr double kHalfRoundKm = 20015.1;  // pi * 6371: the rim of the map is the antipode

class RotServerMap : public rstest::RotServerTest {
 protected:
  // Simulated rotator, the station in Munich unless `station` says otherwise.
  std::unique_ptr<rstest::RotServer> Start(const std::string& station = kMunich) {
    rotserver::Settings settings;
    settings.station = station;
    settings.window_box = rotserver::WindowBox{30, 30, 320, 620};
    rstest::StoreSettings(settings);
    auto server = std::make_unique<rstest::RotServer>(job_, dir_ + "\\rotserver.log");
    window_ = nullptr;
    WaitUntil([&] { return (window_ = server->window()) && IsWindowVisible(window_); }, 10s);
    // Painted: the rose's ring is on screen.
    if (window_) WaitUntil([&] { return rstest::RosePicture(window_).found(); }, 10s);
    return server;
  }

  std::wstring Wide(int id) const { return rstest::WideText(GetDlgItem(window_, id)); }

  // The control's text, in its own font, is as wide as the control at most.
  bool TextFits(int id) const {
    HWND control = GetDlgItem(window_, id);
    const std::wstring text = Wide(id);
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT box;
    GetClientRect(control, &box);
    return size.cx <= box.right;
  }

  // Pixels of red and of dark text in the control, as painted on screen.
  struct InkCount {
    int red = 0, dark = 0;
  };
  InkCount Ink(int id) const {
    // From the whole window's picture: another process's child cannot be captured alone.
    const logger_test::Picture picture = logger_test::CaptureWindow(window_);
    RECT window, child;
    GetWindowRect(window_, &window);
    GetWindowRect(GetDlgItem(window_, id), &child);
    InkCount ink;
    for (int y = child.top - window.top; y < child.bottom - window.top; ++y)
      for (int x = child.left - window.left; x < child.right - window.left; ++x) {
        if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) continue;
        const uint32_t p = picture.At(x, y);
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        ink.red += r > g + 60;
        ink.dark += r < 100 && g < 100 && b < 100;
      }
    return ink;
  }
  std::string Text(int id) const { return harness::WindowText(GetDlgItem(window_, id)); }

  // The bearings of the operator's turns in the log, in order.
  static std::vector<double> Turns(const rstest::RotServer& server) {
    std::vector<double> turns;
    for (const std::string& line : server.Log())
      if (size_t at = line.find("operator turn "); at != std::string::npos)
        turns.push_back(std::atof(line.c_str() + at + 14));
    return turns;
  }

  void Click(POINT screen, bool shift = false) {
    ASSERT_TRUE(controls::MoveTo(screen));
    if (shift) PressKey(VK_SHIFT, true);
    controls::Press(controls::Button::Left);
    controls::Release(controls::Button::Left);
    if (shift) PressKey(VK_SHIFT, false);
  }

  static void PressKey(WORD vk, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
  }

  HWND window_ = nullptr;
};

TEST_F(RotServerMap, ClickOnACountryTurnsThereShiftTakesTheLongPathAndThePointerTells) {
  auto server = Start();
  ASSERT_NE(window_, nullptr);
  rstest::RosePicture rose(window_);
  ASSERT_TRUE(rose.found()) << "no rose";
  const double map = 0.90;  // the map fills the rose's scale circle

  // The map is drawn: 3000 km due south lies the Sahara (land), 2000 km due west the Atlantic.
  const uint32_t sea = Rgb(214, 232, 246), land = Rgb(238, 230, 206);
  POINT sahara = rose.Along(180, map * 3000 / kHalfRoundKm);
  POINT atlantic = rose.Along(270, map * 2000 / kHalfRoundKm);
  EXPECT_EQ(rose.At(sahara.x, sahara.y), land);
  EXPECT_EQ(rose.At(atlantic.x, atlantic.y), sea);

  // Pointing at New York tells its bearing, distance and locator field.
  ASSERT_TRUE(controls::BringToFront(window_, 5s));
  const POINT new_york = rose.ScreenAlong(297.43, map * 6490.9 / kHalfRoundKm);
  ASSERT_TRUE(controls::MoveTo(new_york));
  std::wstring pointer;
  ASSERT_TRUE(WaitUntil([&] { return !(pointer = Wide(rotserver::kIdPointer)).empty(); }, 5s));
  int bearing = 0, thousands = 0, units = 0;
  wchar_t field[3] = {};
  ASSERT_EQ(
      swscanf(pointer.c_str(), L"%d\u00b0  %d,%d km  %2ls", &bearing, &thousands, &units, field), 4)
      << std::string(pointer.begin(), pointer.end());
  EXPECT_NEAR(bearing, 297, 1);
  // One pixel of this map is about 180 km, and New York lies 80 km north of the FM/FN border.
  EXPECT_NEAR(thousands * 1000 + units, 6491, 300);
  EXPECT_TRUE(std::wstring(field) == L"FN" || std::wstring(field) == L"FM")
      << std::string(pointer.begin(), pointer.end());

  // Near the station too: Paris lies 687 km from Munich at 280°, a few pixels from the centre.
  ASSERT_TRUE(controls::MoveTo(rose.ScreenAlong(280.06, map * 687.3 / kHalfRoundKm)));
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (pointer = Wide(rotserver::kIdPointer)).find(L" km  JN") != std::wstring::npos;
      },
      5s))
      << std::string(pointer.begin(), pointer.end());
  int km = 0;
  ASSERT_EQ(swscanf(pointer.c_str(), L"%d\u00b0  %d km  %2ls", &bearing, &km, field), 3);
  EXPECT_NEAR(bearing, 280, 30) << "a pixel this near is tens of degrees";
  EXPECT_NEAR(km, 687, 250) << "a pixel is about 170 km";

  Click(new_york);
  ASSERT_TRUE(server->WaitLog("operator turn", 5s));
  // Tokyo with Shift: the long path, the other way round the same great circle.
  Click(rose.ScreenAlong(40.03, map * 9366.1 / kHalfRoundKm), true);
  ASSERT_TRUE(WaitUntil([&] { return Turns(*server).size() == 2; }, 5s));
  // Turns are whole degrees, and a pixel is about a degree this far out: 1.5° either side.
  const std::vector<double> turns = Turns(*server);
  EXPECT_NEAR(turns[0], 297.43, 1.5) << "New York, short path";
  EXPECT_NEAR(turns[1], 220.03, 1.5) << "Tokyo, long path";
}

TEST_F(RotServerMap, WithoutAStationThePlainRoseStays) {
  auto server = Start("");
  ASSERT_NE(window_, nullptr);
  rstest::RosePicture rose(window_);
  ASSERT_TRUE(rose.found());
  EXPECT_EQ(rose.Count(Rgb(214, 232, 246)), 0) << "no sea without a station";
  EXPECT_EQ(rose.Count(Rgb(238, 230, 206)), 0) << "no land without a station";
  ASSERT_TRUE(controls::BringToFront(window_, 5s));
  ASSERT_TRUE(controls::MoveTo(rose.ScreenAlong(120, 0.5)));
  std::wstring pointer;
  // The readout may first show where the pointer stood before it moved: wait for the bearing.
  WaitUntil([&] {
    pointer = Wide(rotserver::kIdPointer);
    return !pointer.empty() && std::abs(_wtoi(pointer.c_str()) - 120) <= 1;
  }, 5s);
  ASSERT_FALSE(pointer.empty());
  EXPECT_NEAR(_wtoi(pointer.c_str()), 120, 1) << "the bearing under the pointer";
  EXPECT_EQ(pointer.substr(pointer.size() - 1), L"\u00b0") << "the bearing alone";
}

// A click that only activates RotServer's window does not turn; the next one does.
TEST_F(RotServerMap, TheActivatingClickDoesNotTurn) {
  auto server = Start();
  ASSERT_NE(window_, nullptr);
  rstest::RosePicture rose(window_);
  ASSERT_TRUE(rose.found());
  controls::OtherWindow other;
  ASSERT_TRUE(controls::BringToFront(other.handle(), 5s));
  Click(rose.ScreenAlong(300, 0.5));
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window_; }, 5s))
      << "the click did not activate RotServer";
  controls::Stroke(VK_ESCAPE);  // the marker after the click
  ASSERT_TRUE(server->WaitLog("operator stop", 5s));
  EXPECT_TRUE(Turns(*server).empty()) << "the activating click turned the antenna";

  Click(rose.ScreenAlong(300, 0.5));
  ASSERT_TRUE(WaitUntil([&] { return Turns(*server).size() == 1; }, 5s));
  EXPECT_NEAR(Turns(*server)[0], 300, 1.0);
}

TEST_F(RotServerMap, TypedBearingEnterLongPathPresetNudgeAndEsc) {
  auto server = Start();
  ASSERT_NE(window_, nullptr);
  ASSERT_TRUE(controls::MoveTo({900, 900}));  // away: no pointer read-out over the words below
  ASSERT_TRUE(WaitUntil([&] { return Wide(rotserver::kIdHeading) == L"0\u00b0"; }, 10s));
  ASSERT_TRUE(WaitUntil([&] { return Text(rotserver::kIdActivity) == "stopped"; }, 10s));
  ASSERT_TRUE(controls::BringToFront(window_, 5s));

  ASSERT_TRUE(controls::Type("120"));
  controls::Stroke(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return Wide(rotserver::kIdTarget) == L"\u2192 120\u00b0"; }, 5s));
  ASSERT_TRUE(WaitUntil([&] { return Text(rotserver::kIdActivity) == "turning right"; }, 5s));
  controls::Stroke('L');  // the long path of 120
  ASSERT_TRUE(WaitUntil([&] { return Wide(rotserver::kIdTarget) == L"\u2192 300\u00b0"; }, 5s));
  // A 0..360 rotator cannot pass north: on to 300 it goes on turning right.
  EXPECT_EQ(Text(rotserver::kIdActivity), "turning right");

  // A bearing out of range is refused in words that fit, in red, and turns nothing; the next
  // action (Esc) clears them.
  ASSERT_TRUE(controls::Type("400"));
  controls::Stroke(VK_RETURN);
  ASSERT_TRUE(WaitUntil(
      [&] { return Text(rotserver::kIdPointer) == "Bearings are whole degrees, 0 to 360."; }, 5s));
  EXPECT_TRUE(TextFits(rotserver::kIdPointer));
  EXPECT_TRUE(WaitUntil([&] { return Ink(rotserver::kIdPointer).red > 10; }, 5s))
      << "a refusal is red";
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(server->WaitLog("operator stop", 5s));
  ASSERT_TRUE(WaitUntil([&] { return Text(rotserver::kIdActivity) == "stopped"; }, 5s));
  EXPECT_EQ(Text(rotserver::kIdPointer), "") << "the refusal stays after the next action";

  // The preset "NE 45°" (a default) turns to 45.
  HWND preset = GetDlgItem(window_, rotserver::kIdPreset1 + 1);
  EXPECT_EQ(rstest::WideText(preset), L"NE 45\u00b0");
  ASSERT_TRUE(controls::MoveTo(controls::CentreOf(preset)));
  controls::Press(controls::Button::Left);
  controls::Release(controls::Button::Left);
  ASSERT_TRUE(WaitUntil([&] { return Wide(rotserver::kIdTarget) == L"\u2192 45\u00b0"; }, 5s));
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return Text(rotserver::kIdActivity) == "stopped"; }, 5s));

  // Right nudges 5° on from where the rotator stands.
  const std::wstring heading = Wide(rotserver::kIdHeading);
  const int stands = _wtoi(heading.c_str());
  controls::Stroke(VK_RIGHT);
  const std::wstring nudged = L"\u2192 " + std::to_wstring((stands + 5) % 360) + L"\u00b0";
  ASSERT_TRUE(WaitUntil([&] { return Wide(rotserver::kIdTarget) == nudged; }, 5s))
      << std::string(heading.begin(), heading.end());
  const std::vector<double> turns = Turns(*server);
  ASSERT_EQ(turns.size(), 4u);
  EXPECT_EQ(turns[0], 120);
  EXPECT_EQ(turns[1], 300);
  EXPECT_EQ(turns[2], 45);
  EXPECT_EQ(turns[3], (stands + 5) % 360);

  // Ctrl+click stores the heading in a preset, and turns nothing (Esc after it is the marker).
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return Text(rotserver::kIdActivity) == "stopped"; }, 5s));
  const int now = _wtoi(Wide(rotserver::kIdHeading).c_str());
  HWND west = GetDlgItem(window_, rotserver::kIdPreset1 + 5);
  EXPECT_EQ(rstest::WideText(west), L"W 270\u00b0");
  ASSERT_TRUE(controls::MoveTo(controls::CentreOf(west)));
  PressKey(VK_CONTROL, true);
  controls::Press(controls::Button::Left);
  controls::Release(controls::Button::Left);
  PressKey(VK_CONTROL, false);
  const std::wstring stored = L"W " + std::to_wstring(now) + L"\u00b0";
  ASSERT_TRUE(WaitUntil([&] { return rstest::WideText(west) == stored; }, 5s));
  const std::wstring confirmed = L"W now turns to " + std::to_wstring(now) + L"\u00b0.";
  EXPECT_TRUE(WaitUntil([&] { return Wide(rotserver::kIdPointer) == confirmed; }, 5s));
  ASSERT_TRUE(WaitUntil([&] { return Ink(rotserver::kIdPointer).dark > 10; }, 5s));
  EXPECT_EQ(Ink(rotserver::kIdPointer).red, 0) << "a confirmation in the normal colour";
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil(
      [&] {
        int stops = 0;
        for (const std::string& line : server->Log())
          stops += line.find("operator stop") != std::string::npos;
        return stops == 4;
      },
      5s));
  EXPECT_EQ(Turns(*server).size(), 4u) << "Ctrl+click turned";
  ASSERT_TRUE(rotserver::LoadSettings());
  EXPECT_EQ(rotserver::LoadSettings()->settings.presets[5].bearing_deg, now)
      << "kept in the registry";

  // Digits typed while a button has the focus go into the entry whole, shown from the start.
  HWND entry = GetDlgItem(window_, rotserver::kIdEntry);
  ASSERT_TRUE(controls::Type("297"));
  ASSERT_TRUE(WaitUntil([&] { return Text(rotserver::kIdEntry) == "297"; }, 5s))
      << Text(rotserver::kIdEntry);
  EXPECT_EQ(SendMessageA(entry, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "the entry is scrolled";
  controls::Stroke(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return Wide(rotserver::kIdTarget) == L"\u2192 297\u00b0"; }, 5s));

  // Six nudges faster than the window hears back from the rotator add up.
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return Text(rotserver::kIdActivity) == "stopped"; }, 5s));
  const int from = _wtoi(Wide(rotserver::kIdHeading).c_str());
  std::vector<INPUT> presses;
  for (int i = 0; i < 12; ++i) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = VK_RIGHT;
    in.ki.dwFlags = i % 2 ? KEYEVENTF_KEYUP : 0;
    presses.push_back(in);
  }
  ASSERT_EQ(SendInput(12, presses.data(), sizeof(INPUT)), 12u);
  const std::wstring six = L"\u2192 " + std::to_wstring((from + 30) % 360) + L"\u00b0";
  ASSERT_TRUE(WaitUntil([&] { return Wide(rotserver::kIdTarget) == six; }, 5s))
      << "from " << from << " to " << std::string(six.begin(), six.end());
  const std::vector<double> all = Turns(*server);
  ASSERT_GE(all.size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(all[all.size() - 6 + i], (from + 5 * (i + 1)) % 360);
}

TEST_F(RotServerMap, PlacementAndStayOnTopAreRememberedAcrossARestart) {
  {
    auto server = Start();
    ASSERT_NE(window_, nullptr);
    SetWindowPos(window_, nullptr, 210, 140, 340, 640, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window_, WM_COMMAND, rotserver::kIdMenuStayOnTop, 0);
    EXPECT_TRUE(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(server->Close(10s));
  }
  rstest::RotServer again(job_, dir_ + "\\rotserver2.log");
  ASSERT_TRUE(
      WaitUntil([&] { return (window_ = again.window()) && IsWindowVisible(window_); }, 10s));
  RECT r;
  GetWindowRect(window_, &r);
  EXPECT_EQ(r.left, 210);
  EXPECT_EQ(r.top, 140);
  EXPECT_EQ(r.right - r.left, 340);
  EXPECT_EQ(r.bottom - r.top, 640);
  EXPECT_TRUE(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST) << "stays on top";
  EXPECT_TRUE(GetMenuState(GetMenu(window_), rotserver::kIdMenuStayOnTop, MF_BYCOMMAND) &
              MF_CHECKED);
  ASSERT_TRUE(again.Close(10s));

  // A place on a monitor that is gone (this screen is 1280 x 1024) is not taken.
  rotserver::Settings gone = rotserver::LoadSettings()->settings;
  gone.window_box = rotserver::WindowBox{5000, 4000, 320, 620};
  rstest::StoreSettings(gone);
  rstest::RotServer third(job_, dir_ + "\\rotserver3.log");
  ASSERT_TRUE(
      WaitUntil([&] { return (window_ = third.window()) && IsWindowVisible(window_); }, 10s));
  GetWindowRect(window_, &r);
  EXPECT_LT(r.left, GetSystemMetrics(SM_CXVIRTUALSCREEN)) << "off every monitor";
  EXPECT_LT(r.top, GetSystemMetrics(SM_CYVIRTUALSCREEN)) << "off every monitor";
}

// A message box of RotServer's with `title` (it has the static text of id 0xFFFF).
HWND MessageBoxOf(DWORD pid, const char* title) {
  struct Find {
    DWORD pid;
    const char* title;
    HWND found;
  } find{pid, title, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == f->pid && IsWindowVisible(hwnd) && GetDlgItem(hwnd, 0xFFFF) &&
            harness::WindowText(hwnd) == f->title)
          f->found = hwnd;
        return f->found == nullptr;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

// The station typed in its dialog: a bad locator is refused in words and nothing is stored; a
// good one is stored and the map appears.
TEST_F(RotServerMap, StationDialogRefusesABadLocatorAndShowsTheMapForAGoodOne) {
  auto server = Start("");
  ASSERT_NE(window_, nullptr);
  PostMessageA(window_, WM_COMMAND, rotserver::kIdMenuStation, 0);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (dialog = FindWindowA("#32770", "Station and presets")) && IsWindowVisible(dialog);
      },
      10s));
  HWND field = GetDlgItem(dialog, ROTSERVER_STATION_FIELD);
  ASSERT_NE(field, nullptr);
  SetWindowTextA(field, "JS58td");  // S is beyond the last field letter, R
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  HWND box = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return (box = MessageBoxOf(server->pid(), "Station and presets")); }, 10s));
  const std::string why = harness::WindowText(GetDlgItem(box, 0xFFFF));
  EXPECT_NE(why.find("Station must be a locator"), std::string::npos) << why;
  EXPECT_NE(why.find("4, 6 or 8 characters"), std::string::npos) << why;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10s));
  ASSERT_TRUE(rotserver::LoadSettings());
  EXPECT_EQ(rotserver::LoadSettings()->settings.station, "") << "a refused station is not stored";

  SetWindowTextA(field, "jn58td");
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10s)) << "the dialog stays open";
  EXPECT_EQ(rotserver::LoadSettings()->settings.station, "JN58td");
  ASSERT_TRUE(
      WaitUntil([&] { return rstest::RosePicture(window_).Count(Rgb(214, 232, 246)) > 1000; }, 10s))
      << "no map after the station was set";
}

// The settings dialog edits the rotator, not the station: OK there keeps the station, the
// presets and the placement as they were.
TEST_F(RotServerMap, SettingsDialogKeepsTheStationAndThePresets) {
  auto server = Start();
  ASSERT_NE(window_, nullptr);
  rotserver::Settings stored = rotserver::LoadSettings()->settings;
  stored.presets[2] = {"JA", 330};
  rstest::StoreSettings(stored);
  PostMessageA(window_, WM_COMMAND, rotserver::kIdMenuSettings, 0);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (dialog = FindWindowA("#32770", "RotServer settings")) && IsWindowVisible(dialog);
      },
      10s));
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10s));
  const rotserver::Settings after = rotserver::LoadSettings()->settings;
  EXPECT_EQ(after.station, "JN58td");
  EXPECT_EQ(after.presets[2].label, "JA");
  EXPECT_EQ(after.presets[2].bearing_deg, 330);
  ASSERT_TRUE(after.window_box);
  EXPECT_EQ(after.window_box->width, 320);
  EXPECT_EQ(rstest::WideText(GetDlgItem(window_, rotserver::kIdPreset1 + 2)), L"JA 330\u00b0");
}

}  // namespace
