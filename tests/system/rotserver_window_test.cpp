// RotServer's window hosted in the test process: fed view states as the program feeds them,
// looked at in pixels and texts, and used with the real mouse and keyboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "controls_input.h"
#include "rose_picture.h"
#include "harness.h"
#include "logger_bridge.h"
#include "rotserver/core/window_layout.h"
#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver/win/settings_store_win.h"
#include "winui/wide_text_win.h"

using namespace harness;
using namespace std::chrono_literals;
using logger_test::Rgb;
using rstest::RosePicture;

namespace {

// The colours an operator is told about: a red needle while live, grey when stale.
const uint32_t kRed = Rgb(208, 0, 0);
const uint32_t kGrey = Rgb(150, 150, 150);

// The height in pixels of the tallest glyph a text control shows, measured on screen: each run
// of columns with dark ink is a glyph (or glyphs that touch), the degree sign and the arrow
// are shorter than the digits.
int GlyphHeight(HWND control) {
  const logger_test::Picture picture = logger_test::CaptureWindow(control);
  auto dark = [&](int x, int y) {
    const uint32_t p = picture.At(x, y);
    return ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 128;
  };
  int tallest = 0, top = picture.height, bottom = -1;
  for (int x = 0; x <= picture.width; ++x) {
    int column_top = picture.height, column_bottom = -1;
    for (int y = 0; x < picture.width && y < picture.height; ++y)
      if (dark(x, y)) column_top = std::min(column_top, y), column_bottom = y;
    if (column_bottom >= 0) {
      top = std::min(top, column_top), bottom = std::max(bottom, column_bottom);
    } else if (bottom >= 0) {  // a run ends
      tallest = std::max(tallest, bottom - top + 1);
      top = picture.height, bottom = -1;
    }
  }
  return tallest;
}

// Whether the colour lies within two pixels of a client point.
bool Near(const RosePicture& picture, POINT p, uint32_t colour) {
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx)
      if (picture.At(p.x + dx, p.y + dy) == colour) return true;
  return false;
}

class RotServerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteVexalKey();  // the window's words name no port of an earlier test's settings
    rotserver::WindowActions actions;
    actions.turn_to = [this](double deg) { turns_.push_back(deg); };
    actions.stop = [this] {
      if (fail_next_stop_) {
        fail_next_stop_ = false;
        throw std::runtime_error("relay stuck");
      }
      ++stops_;
    };
    window_ = rotserver::CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL, actions);
    hwnd_ = window_->hwnd();
    SetWindowPos(hwnd_, HWND_TOPMOST, 40, 40, 320, 620, SWP_SHOWWINDOW);
  }

  static rotserver::ViewState Live(double azimuth) {
    rotserver::ViewState s;
    s.backend_label = "rotctld 127.0.0.1:4533";
    s.link = rotserver::LinkState::kConnected;
    s.azimuth = azimuth;
    return s;
  }

  // Shows the state and paints it at once; the picture comes from the window's own surface.
  RosePicture ShowAndCapture(const rotserver::ViewState& state) {
    window_->Show(state);
    UpdateWindow(hwnd_);
    GdiFlush();
    return RosePicture(hwnd_);
  }

  std::string Text(int id) const { return WindowText(GetDlgItem(hwnd_, id)); }

  std::unique_ptr<rotserver::MainWindow> window_;
  HWND hwnd_ = nullptr;
  std::vector<double> turns_;
  int stops_ = 0;
  bool fail_next_stop_ = false;
};

TEST_F(RotServerWindow, NeedlePointsAtTheAzimuth) {
  RosePicture east = ShowAndCapture(Live(90));
  ASSERT_TRUE(east.found()) << "no rose in the window";
  EXPECT_GE(east.HitsAlong(90, kRed), 8) << "needle along east";
  EXPECT_EQ(east.HitsAlong(225, kRed), 0) << "nothing along south-west";

  RosePicture south_west = ShowAndCapture(Live(225));
  ASSERT_TRUE(south_west.found());
  EXPECT_GE(south_west.HitsAlong(225, kRed), 8) << "needle along south-west";
  EXPECT_EQ(south_west.HitsAlong(90, kRed), 0) << "the old needle is gone";
  EXPECT_EQ(rstest::WideText(GetDlgItem(hwnd_, rotserver::kIdHeading)), L"225\u00b0");
  EXPECT_EQ(Text(rotserver::kIdActivity), "stopped");
  EXPECT_EQ(Text(rotserver::kIdStatusDetails),
            "rotctld 127.0.0.1:4533: connected\nLogger32-Vexal: not running");
}

TEST_F(RotServerWindow, LargerWindowIsPaintedWhole) {
  rotserver::ViewState state = Live(90);
  state.link = rotserver::LinkState::kReconnecting;
  state.reconnect_in_s = 4;
  state.last_error = "connection refused: nothing listens at 127.0.0.1:4533 (WSAECONNREFUSED)";
  const RosePicture small = ShowAndCapture(state);
  ASSERT_TRUE(small.found());
  SetWindowPos(hwnd_, nullptr, 0, 0, 520, 860, SWP_NOMOVE | SWP_NOZORDER);
  // What the message loop paints after the resize is what a full repaint paints: the status
  // line wrapped anew and no ghost of the entry row.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  const logger_test::Picture resized = logger_test::CaptureWindow(hwnd_);
  RedrawWindow(hwnd_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const logger_test::Picture repainted = logger_test::CaptureWindow(hwnd_);
  ASSERT_EQ(resized.pixels.size(), repainted.pixels.size());
  size_t differ = 0;
  for (size_t i = 0; i < resized.pixels.size(); ++i)
    differ += resized.pixels[i] != repainted.pixels[i];
  EXPECT_EQ(differ, 0u) << "pixels left unpainted by the resize";
  const RosePicture large = ShowAndCapture(Live(90));
  ASSERT_TRUE(large.found()) << "no rose after the window grew";
  EXPECT_GT(large.radius(), small.radius() + 40);
  EXPECT_GE(large.HitsAlong(90, kRed), 8) << "needle along east, into the new width";
  RECT client;
  GetClientRect(hwnd_, &client);
  EXPECT_EQ(large.At(client.right - 2, client.bottom / 2),
            logger_test::FromColorref(GetSysColor(COLOR_WINDOW)))
      << "the right edge is painted in the window colour";
}

TEST_F(RotServerWindow, StaleReadingIsGreyAndSaysSince) {
  rotserver::ViewState state = Live(90);
  state.stale = true;
  state.seconds_since_reading = 12;
  state.link = rotserver::LinkState::kReconnecting;
  state.reconnect_in_s = 3;
  state.last_error = "connection closed by rotctld";
  RosePicture picture = ShowAndCapture(state);
  ASSERT_TRUE(picture.found());
  EXPECT_GE(picture.HitsAlong(90, kGrey), 8) << "grey needle along east";
  EXPECT_EQ(picture.Count(kRed), 0) << "no live needle anywhere";
  EXPECT_EQ(Text(rotserver::kIdActivity), "no reading for 12 s");
  EXPECT_EQ(Text(rotserver::kIdStatusLine), "Connection closed by rotctld. Trying again in 3 s.");

  // Fresh again: red, and the stale words go.
  RosePicture live = ShowAndCapture(Live(90));
  EXPECT_GE(live.HitsAlong(90, kRed), 8);
  EXPECT_EQ(Text(rotserver::kIdActivity), "stopped");
}

TEST_F(RotServerWindow, ClickOnTheRoseTurnsThere) {
  RosePicture picture = ShowAndCapture(Live(0));
  ASSERT_TRUE(picture.found());
  ASSERT_TRUE(controls::BringToFront(hwnd_, 5s));
  for (double deg : {300.0, 45.0}) {
    POINT p = picture.Along(deg, 0.5);
    ClientToScreen(hwnd_, &p);
    const size_t before = turns_.size();
    ASSERT_TRUE(controls::MoveTo(p));
    controls::Press(controls::Button::Left);
    controls::Release(controls::Button::Left);
    ASSERT_TRUE(WaitUntil([&] { return turns_.size() > before; }, 5s)) << deg;
    EXPECT_NEAR(turns_.back(), deg, 1.0);
  }
  // The centre names no direction: a click there turns nothing (Esc after it is the marker).
  POINT centre = picture.Along(0, 0);
  ClientToScreen(hwnd_, &centre);
  ASSERT_TRUE(controls::MoveTo(centre));
  controls::Press(controls::Button::Left);
  controls::Release(controls::Button::Left);
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return stops_ == 1; }, 5s));
  EXPECT_EQ(turns_.size(), 2u);
}

TEST_F(RotServerWindow, EscAndTheStopButtonStop) {
  window_->Show(Live(10));
  ASSERT_TRUE(controls::BringToFront(hwnd_, 5s));
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return stops_ == 1; }, 5s)) << "Esc on the window";

  HWND stop = GetDlgItem(hwnd_, rotserver::kIdStopButton);
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(WindowText(stop), "Stop");
  ASSERT_TRUE(controls::MoveTo(controls::CentreOf(stop)));
  controls::Press(controls::Button::Left);
  controls::Release(controls::Button::Left);
  ASSERT_TRUE(WaitUntil([&] { return stops_ == 2; }, 5s)) << "Stop button";

  // The button has the focus now; Esc still stops.
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return stops_ == 3; }, 5s)) << "Esc on the focused button";
  EXPECT_TRUE(turns_.empty());
}

// The program's message loop hands keys to IsDialogMessage, which turns Esc into IDCANCEL.
TEST_F(RotServerWindow, EscStopsThroughADialogMessageLoop) {
  window_->Show(Live(10));
  ASSERT_TRUE(controls::BringToFront(hwnd_, 5s));
  SetFocus(GetDlgItem(hwnd_, rotserver::kIdStopButton));
  controls::Stroke(VK_ESCAPE);
  const DWORD deadline = GetTickCount() + 5000;
  while (stops_ == 0 && GetTickCount() < deadline) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageA(hwnd_, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  EXPECT_EQ(stops_, 1);
  EXPECT_TRUE(turns_.empty());
}

TEST_F(RotServerWindow, ErrorInAHandlerIsReportedAndTheWindowGoesOn) {
  std::vector<std::string> reports;
  rotserver::SetCallbackErrorSink([&](const std::string& text) { reports.push_back(text); });
  struct SinkReset {
    ~SinkReset() { rotserver::SetCallbackErrorSink(nullptr); }
  } reset;
  fail_next_stop_ = true;
  window_->Show(Live(10));
  ASSERT_TRUE(controls::BringToFront(hwnd_, 5s));
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !reports.empty(); }, 5s)) << "no report of the error";
  EXPECT_EQ(reports[0], "error in the window: relay stuck");
  EXPECT_EQ(stops_, 0);
  controls::Stroke(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return stops_ == 1; }, 5s)) << "the window still takes Esc";
  EXPECT_EQ(reports.size(), 1u);
}

TEST_F(RotServerWindow, SameViewAgainPaintsNothing) {
  rotserver::ViewState state = Live(42);
  window_->Show(state);
  UpdateWindow(hwnd_);
  ASSERT_FALSE(GetUpdateRect(hwnd_, nullptr, FALSE));
  state.seconds_since_reading = 3;  // not stale: nothing of it is shown
  window_->Show(state);
  EXPECT_FALSE(GetUpdateRect(hwnd_, nullptr, FALSE)) << "nothing shown has changed";
  state.azimuth = 43;
  window_->Show(state);
  EXPECT_TRUE(GetUpdateRect(hwnd_, nullptr, FALSE)) << "the needle moved";
}

TEST_F(RotServerWindow, DpiChangeTakesTheSuggestedRectangleAndScalesTheButton) {
  RECT suggested{100, 60, 100 + 480, 60 + 930};  // 320 x 620 at 144 dpi
  SendMessageA(hwnd_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT now;
  GetWindowRect(hwnd_, &now);
  EXPECT_EQ(now.left, 100);
  EXPECT_EQ(now.right - now.left, 480);
  EXPECT_EQ(now.bottom - now.top, 930);
  RECT stop;
  GetWindowRect(GetDlgItem(hwnd_, rotserver::kIdStopButton), &stop);
  EXPECT_EQ(stop.bottom - stop.top, 36) << "24 at 96 dpi";
  EXPECT_EQ(stop.right - stop.left, 96) << "64 at 96 dpi";
  window_->Show(Live(245));
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_GE(GlyphHeight(GetDlgItem(hwnd_, rotserver::kIdHeading)), 48) << "32 at 96 dpi";
}

TEST_F(RotServerWindow, HeadingPanelIsLargeWithTargetActivityAndTheBridgesLine) {
  rotserver::ViewState state = Live(244.6);
  state.target = 272;
  state.direction = 1;
  window_->Show(state);
  HWND heading = GetDlgItem(hwnd_, rotserver::kIdHeading);
  EXPECT_EQ(rstest::WideText(heading), L"245\u00b0");
  EXPECT_EQ(rstest::WideText(GetDlgItem(hwnd_, rotserver::kIdTarget)), L"\u2192 272\u00b0");
  EXPECT_EQ(Text(rotserver::kIdActivity), "turning right");
  EXPECT_EQ(Text(rotserver::kIdBridgeLine), "Logger32-Vexal: not running");
  // Read from across the room: digits of 32 px at the default size, measured on screen, and
  // larger in a larger window; the target beside it likewise.
  UpdateWindow(hwnd_);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  HWND target = GetDlgItem(hwnd_, rotserver::kIdTarget);
  const int heading_digits = GlyphHeight(heading), target_digits = GlyphHeight(target);
  EXPECT_GE(heading_digits, 32);
  EXPECT_GE(target_digits, 32);
  SetWindowPos(hwnd_, nullptr, 0, 0, 520, 860, SWP_NOMOVE | SWP_NOZORDER);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_GT(GlyphHeight(heading), heading_digits * 5 / 4) << "the heading grows with the window";
  EXPECT_GT(GlyphHeight(target), target_digits * 5 / 4) << "the target grows with the window";
  EXPECT_EQ(rstest::WideText(heading), L"245\u00b0");
  EXPECT_EQ(rstest::WideText(target), L"\u2192 272\u00b0");

  state.bridge_linked = true;
  state.target.reset();
  state.direction = 0;
  window_->Show(state);
  EXPECT_EQ(Text(rotserver::kIdBridgeLine), "Logger32-Vexal: linked");
  EXPECT_EQ(rstest::WideText(GetDlgItem(hwnd_, rotserver::kIdTarget)), L"");
  EXPECT_EQ(Text(rotserver::kIdActivity), "stopped");
}

// Rows of `text` wrapped in `width` with `font`, as the status line's static control wraps it.
int RowsNeeded(HDC dc, HFONT font, const std::string& text, int width) {
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  RECT need{0, 0, width, 0};
  const std::wstring wide = winui::Utf8ToWide(text);
  DrawTextW(dc, wide.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL);
  SelectObject(dc, old);
  return (need.bottom + metrics.tmHeight - 1) / metrics.tmHeight;
}

// The status line says in an operator's words what is wrong and what to check, whole in its
// three rows at 96 dpi and, laid out and lettered for 144 dpi, there too; the technical chain
// waits behind "Details…". The mark beside it is green only for a real rotator that answers.
TEST_F(RotServerWindow, StatusLineSaysWhatToCheckWholeAndMarksOnlyARealRotatorGreen) {
  struct Case {
    rotserver::LinkState link;
    const char* error;
    const char* shown;
  };
  using L = rotserver::LinkState;
  const Case cases[] = {
      {L::kReconnecting,
       "rotctld ended (exit code 2): rot_open: error = IO error; starting it again in 17 s; "
       "connection to 127.0.0.1:41759 refused: Connection refused (Winsock error 10061)",
       "Cannot open the port (IO error). Check the port number, the cable and the controller's "
       "power. Trying again in 17 s."},
      {L::kReconnecting, "rotctld ended (exit code 3221225781); starting it again in 30 s",
       "rotctld.exe cannot start: a DLL it needs is missing. Choose the one in Hamlib's bin "
       "folder (Settings). Trying again in 30 s."},
      {L::kConnected, "position query: RPRT -5 (communication timed out)",
       "The controller on the port does not answer. Check its power and cable, and the "
       "controller and speed in Settings."},
      {L::kConnected, "target 451.0 refused: RPRT -1 (invalid parameter or out of range)",
       "The rotator refused to turn to 451° (invalid parameter or out of range). Turn within its "
       "range, or check the range in Settings."},
      {L::kReconnecting,
       "rotctld keeps dropping the connection (12 times in 10 min): rotctld closed the "
       "connection",
       "rotctld keeps dropping the link (12 times in 10 min). Check the controller's cable and "
       "power; Details… has more. Trying again in 4 s."},
      {L::kConnected, "", "Rotator ready. Start Logger32-Vexal so that Logger32 can turn it."},
  };
  RECT client;
  GetClientRect(hwnd_, &client);
  const rotserver::Box at144 =
      rotserver::LayOut(client.right * 3 / 2, client.bottom * 3 / 2, 144).status;
  HWND status = GetDlgItem(hwnd_, rotserver::kIdStatusLine);
  RECT box;
  GetClientRect(status, &box);
  HDC dc = GetDC(status);
  auto font96 = reinterpret_cast<HFONT>(SendMessageA(status, WM_GETFONT, 0, 0));
  HFONT font144 = CreateFontA(-rotserver::kTextFont96 * 3 / 2, 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                              FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  for (const Case& c : cases) {
    rotserver::ViewState state = Live(10);
    state.link = c.link;
    state.reconnect_in_s = 4;
    state.last_error = c.error;
    window_->Show(state);
    const std::string text =
        winui::WideToUtf8(rstest::WideText(GetDlgItem(hwnd_, rotserver::kIdStatusLine)));
    EXPECT_EQ(text, c.shown);
    EXPECT_NE(Text(rotserver::kIdStatusDetails).find(c.error), std::string::npos);
    EXPECT_LE(RowsNeeded(dc, font96, text, box.right), 3) << "cut off at 96 dpi: " << text;
    EXPECT_LE(RowsNeeded(dc, font144, text, at144.width()), 3) << "cut off at 144 dpi: " << text;
  }
  DeleteObject(font144);
  ReleaseDC(status, dc);

  const uint32_t green = Rgb(0, 160, 64), amber = Rgb(232, 160, 0), red = Rgb(224, 32, 32);
  rotserver::ViewState state = Live(10);
  state.link = rotserver::LinkState::kReconnecting;
  RosePicture trying = ShowAndCapture(state);
  EXPECT_GT(trying.Count(amber), 30) << "amber while trying";
  EXPECT_EQ(trying.Count(green), 0);
  state.link = rotserver::LinkState::kConnected;
  RosePicture connected = ShowAndCapture(state);
  EXPECT_GT(connected.Count(green), 30) << "green while a real rotator answers";
  EXPECT_EQ(connected.Count(amber), 0);
  state.simulated = true;
  RosePicture simulated = ShowAndCapture(state);
  EXPECT_EQ(simulated.Count(green), 0) << "the simulated rotator is never green";
  EXPECT_GT(simulated.Count(amber), 30);
  state.simulated = false;
  state.link = rotserver::LinkState::kFailed;
  state.last_error = "limit exceeded (RPRT -21)";
  RosePicture failed = ShowAndCapture(state);
  EXPECT_GT(failed.Count(red), 30) << "red on a fault";
  EXPECT_EQ(failed.Count(green), 0);
}

// Marked plainly, but not over the station's own region in the middle of the map.
TEST_F(RotServerWindow, SimulatedRotatorIsMarkedAwayFromTheCentre) {
  rotserver::ViewState state = Live(0);
  RosePicture real = ShowAndCapture(state);
  state.simulated = true;
  RosePicture simulated = ShowAndCapture(state);
  ASSERT_TRUE(real.found() && simulated.found());
  int centre_changed = 0, low_changed = 0;
  for (int deg = 0; deg < 360; deg += 5)
    for (double f = 0.0; f < 0.7; f += 0.02) {
      POINT p = real.Along(deg, f);
      const bool changed = real.At(p.x, p.y) != simulated.At(p.x, p.y);
      if (f < 0.4) centre_changed += changed;
      if (f > 0.45 && (deg > 120 && deg < 240)) low_changed += changed;
    }
  EXPECT_EQ(centre_changed, 0) << "SIMULATED hides the middle of the map";
  EXPECT_GT(low_changed, 10) << "no SIMULATED low in the rose";
  RosePicture again = ShowAndCapture(Live(0));
  EXPECT_EQ(again.Count(Rgb(176, 176, 176)), real.Count(Rgb(176, 176, 176))) << "it goes again";
}

// The rotator's end stops as bars across the ring: a 0..360 rotator's at north, a -180..180
// one's at south, a 0..450 one's at both ends of its overlap.
TEST_F(RotServerWindow, EndStopsAreDrawnOnTheRing) {
  const uint32_t stop = Rgb(112, 56, 0), overlap = Rgb(240, 196, 120);
  struct Case {
    double min, max;
    std::vector<double> stops, clear;
  };
  for (const Case& c : {Case{0, 360, {0}, {90, 180, 270}}, Case{-180, 180, {180}, {0, 90, 270}},
                        Case{0, 450, {0, 90}, {180, 270}}}) {
    rotserver::ViewState state = Live(225);
    state.min_az = c.min;
    state.max_az = c.max;
    RosePicture picture = ShowAndCapture(state);
    ASSERT_TRUE(picture.found());
    for (double deg : c.stops)
      EXPECT_TRUE(Near(picture, picture.Along(deg, 0.93), stop))
          << c.min << ".." << c.max << " at " << deg;
    for (double deg : c.clear)
      EXPECT_FALSE(Near(picture, picture.Along(deg, 0.93), stop))
          << c.min << ".." << c.max << " at " << deg;
    POINT in_overlap = picture.Along(45, 0.95);
    EXPECT_EQ(picture.At(in_overlap.x, in_overlap.y) == overlap, c.max - c.min > 360);
  }
}

// Closing while the bridge is linked asks first; No keeps the window, Yes closes it.
TEST_F(RotServerWindow, ClosingWhileTheBridgeIsLinkedAsksFirst) {
  bool closed = false;
  rotserver::WindowActions actions;
  actions.closed = [&] { closed = true; };
  auto window = rotserver::CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL, actions);
  rotserver::ViewState state = Live(10);
  state.bridge_linked = true;
  window->Show(state);
  for (int answer : {IDNO, IDYES}) {
    std::string question;
    std::thread answerer([&] {
      HWND box = nullptr;
      harness::WaitUntil([&] { return (box = FindWindowA("#32770", "RotServer")) != nullptr; },
                         10s);
      if (!box) return;
      question = harness::WindowText(GetDlgItem(box, 0xFFFF));
      PostMessageA(box, WM_COMMAND, answer, 0);
    });
    SendMessageA(window->hwnd(), WM_CLOSE, 0, 0);  // returns once the question is answered
    answerer.join();
    EXPECT_NE(question.find("loses the rotator"), std::string::npos) << question;
    EXPECT_EQ(closed, answer == IDYES);
  }
}

TEST(RotServerWindowStart, MinimisedStartStaysMinimised) {
  auto window = rotserver::CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWMINNOACTIVE, {});
  EXPECT_TRUE(IsIconic(window->hwnd()));
  EXPECT_EQ(WindowText(window->hwnd()), "RotServer");
  ShowWindow(window->hwnd(), SW_RESTORE);
  EXPECT_FALSE(IsIconic(window->hwnd()));
  RECT client;
  GetClientRect(window->hwnd(), &client);
  RECT stop;
  GetWindowRect(GetDlgItem(window->hwnd(), rotserver::kIdStopButton), &stop);
  MapWindowPoints(nullptr, window->hwnd(), reinterpret_cast<POINT*>(&stop), 2);
  EXPECT_GT(stop.left, client.right / 2) << "Stop lies at the bottom right once restored";
  EXPECT_GT(stop.top, client.bottom / 2);
  EXPECT_LE(stop.bottom, client.bottom);
}

}  // namespace

// Not a test: the pictures of docs/img/ (scripts/screenshots runs it with
// --gtest_also_run_disabled_tests and ROTSERVER_SHOTS naming the folder for the bitmaps).
TEST(RotServerScreenshots, DISABLED_TurningWindowAndSettingsDialog) {
  const char* folder = std::getenv("ROTSERVER_SHOTS");
  if (!folder) GTEST_SKIP() << "ROTSERVER_SHOTS not set";
  rotserver::Settings stored;
  stored.station = "JN58td";
  ASSERT_TRUE(rotserver::SaveSettings(stored, nullptr));
  auto window = rotserver::CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL, {});
  HWND hwnd = window->hwnd();
  SetWindowPos(hwnd, HWND_TOPMOST, 20, 20, 320, 620, SWP_SHOWWINDOW);

  rotserver::ViewState turning;
  turning.backend_label = "rotctld 127.0.0.1:4533";
  turning.link = rotserver::LinkState::kConnected;
  turning.bridge_linked = true;
  turning.azimuth = 255;
  turning.target = 297;
  turning.direction = 1;
  turning.min_az = 0;
  turning.max_az = 450;
  window->Show(turning);
  UpdateWindow(hwnd);
  GdiFlush();
  ASSERT_TRUE(logger_test::SaveBmp(logger_test::CaptureWindow(hwnd),
                                   std::string(folder) + "\\rotserver-map.bmp"));

  rotserver::Settings settings;
  settings.backend = rotserver::BackendKind::kRotctld;
  settings.rotctld_command = "C:\\Hamlib\\bin\\rotctld.exe -m 603 -r COM3 -s 9600";
  bool saved = false;
  std::thread shooter([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !(dialog && IsWindowVisible(dialog)); ++i) {
      Sleep(20);
      dialog = FindWindowA("#32770", "RotServer settings");
    }
    if (!dialog) return;
    SetWindowPos(dialog, HWND_TOPMOST, 20, 20, 0, 0, SWP_NOSIZE);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    saved = logger_test::SaveBmp(logger_test::CaptureWindow(dialog),
                                 std::string(folder) + "\\rotserver-settings.bmp");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  window->OpenSettings(settings);
  shooter.join();
  EXPECT_TRUE(saved);
}
