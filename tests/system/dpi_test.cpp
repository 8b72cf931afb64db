// The bridge's window told that its monitor's DPI changed, as Windows tells a per-monitor aware
// window that moves to another monitor: the frame takes the suggested rectangle and every widget
// its designed place, size and font at the new DPI; back at 96 the first layout returns.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "harness.h"
#include "logger_bridge.h"
#include "logger_driver.h"
#include "screen_support.h"
#include "bridge/window/layout.h"
#include "bridge/window/window_base_win.h"
#include "bridge/window/widget_ids.h"

using namespace harness;
using namespace logger_test;
using namespace std::chrono_literals;

namespace {

constexpr Millis kShowTimeout = 30s;
constexpr char kBoxText[] = "359";

constexpr vexal::WidgetId kAllWidgets[] = {
    vexal::kIdLabel6,    vexal::kIdPanelLinks, vexal::kIdPanelRechts, vexal::kIdLabel2,
    vexal::kIdIstAzimut, vexal::kIdLabel1,     vexal::kIdLabel3,      vexal::kIdEditAzimut,
    vexal::kIdLabel4,    vexal::kIdLabel7,     vexal::kIdLabel5};

int TestScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

SIZE OuterSize(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return {r.right - r.left, r.bottom - r.top};
}

// A widget's rectangle in its window's client coordinates.
RECT ClientRectOf(HWND window, int id) {
  RECT r{};
  HWND widget = GetDlgItem(window, id);
  if (!widget) return r;
  GetWindowRect(widget, &r);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Width and height that the text needs in the widget's designed font at `dpi`, measured here.
SIZE TextExtent(const vexal::WidgetLayout& layout, const std::string& text, int dpi) {
  winui::GdiObject<HFONT> font(vexal::CreateFontFor(*layout.font, dpi));
  return screentest::TextSizeIn(font.get(), text);
}

// Where the edit box puts its last character, from its first: it draws with its own font, whose
// handle means nothing outside its process, so the font is measured by the text's advance.
// (Under Wine the position past the end is not given.)
int AdvanceToLastChar(HWND window, int id) {
  HWND edit = GetDlgItem(window, id);
  const size_t length = WindowText(edit).size();
  if (length < 2) return -1;
  auto first = SendMessageA(edit, EM_POSFROMCHAR, 0, 0);
  auto last = SendMessageA(edit, EM_POSFROMCHAR, length - 1, 0);
  if (first == -1 || last == -1) return -1;
  return static_cast<short>(LOWORD(last)) - static_cast<short>(LOWORD(first));
}

class Dpi : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteVexalKey();
    sim_ = std::make_unique<LoggerDriver>(job_, TestDir());
    bridge_ = std::make_unique<BridgeUnderTest>(job_);
    window_ = bridge_->WaitShown(kShowTimeout);
    ASSERT_NE(window_, nullptr);
    // The layout below assumes the window starts at the designed 96 dpi.
    ASSERT_EQ(TestScreenDpi(), 96);
    // Text in both boxes, so that their fonts can be measured from here.
    for (int id : {vexal::kIdEditAzimut, vexal::kIdIstAzimut}) {
      SendMessageA(GetDlgItem(window_, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kBoxText));
      ASSERT_EQ(bridge_->Text(id), kBoxText);
    }
  }

  // Tells the window its DPI is now `dpi`, suggesting the designed outer size at that DPI at
  // its present position. The message's rectangle is not carried to another process, so it is
  // written into the bridge's own memory.
  void ChangeDpi(int dpi) {
    RECT now{};
    GetWindowRect(window_, &now);
    RECT suggested{now.left, now.top, now.left + MulDiv(212, dpi, 96),
                   now.top + MulDiv(236, dpi, 96)};
    HANDLE process = bridge_->process().process();
    void* remote = VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    ASSERT_TRUE(WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr));
    SendMessageA(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }

  // Both edit boxes advance over their text as the designed font does at `dpi`.
  void ExpectEditFontsAt(int dpi) const {
    for (int id : {vexal::kIdEditAzimut, vexal::kIdIstAzimut}) {
      SCOPED_TRACE("edit box " + std::to_string(id) + " at " + std::to_string(dpi) + " dpi");
      const vexal::WidgetLayout& designed = vexal::LayoutOf(static_cast<vexal::WidgetId>(id));
      std::string to_last = kBoxText;
      to_last.pop_back();
      EXPECT_NEAR(AdvanceToLastChar(window_, id), TextExtent(designed, to_last, dpi).cx, 1);
    }
  }

  std::map<int, RECT> WidgetRects() const {
    std::map<int, RECT> rects;
    for (int id : kAllWidgets) rects[id] = ClientRectOf(window_, id);
    return rects;
  }

  // Every widget at its designed place scaled to `dpi` (within a pixel of rounding); panels and
  // edit boxes at their designed size, labels just large enough for their present text.
  void ExpectLayoutAt(int dpi) const {
    const int origin = MulDiv(20, dpi, 96);
    for (int id : kAllWidgets) {
      SCOPED_TRACE("widget " + std::to_string(id) + " at " + std::to_string(dpi) + " dpi");
      const vexal::WidgetLayout& designed = vexal::LayoutOf(static_cast<vexal::WidgetId>(id));
      RECT r = ClientRectOf(window_, id);
      EXPECT_LE(std::abs(r.left - (origin + MulDiv(designed.left96, dpi, 96))), 1);
      EXPECT_LE(std::abs(r.top - (origin + MulDiv(designed.top96, dpi, 96))), 1);
      if (designed.kind == vexal::WidgetKind::Label) {
        SIZE text = TextExtent(designed, bridge_->Text(id), dpi);
        EXPECT_GE(r.right - r.left, text.cx) << "the whole text shows";
        EXPECT_EQ(r.bottom - r.top, text.cy);
      } else {
        EXPECT_LE(std::abs(r.right - r.left - MulDiv(designed.width96, dpi, 96)), 1);
        EXPECT_LE(std::abs(r.bottom - r.top - MulDiv(designed.height96, dpi, 96)), 1);
      }
    }
  }

  Job job_;
  std::unique_ptr<LoggerDriver> sim_;
  std::unique_ptr<BridgeUnderTest> bridge_;
  HWND window_ = nullptr;
};

TEST_F(Dpi, At144DpiFrameWidgetsAndFontsGrowByHalf) {
  ExpectEditFontsAt(96);
  ASSERT_NO_FATAL_FAILURE(ChangeDpi(144));

  SIZE outer = OuterSize(window_);
  EXPECT_EQ(outer.cx, 318);
  EXPECT_EQ(outer.cy, 354);
  ExpectLayoutAt(144);

  // PanelLinks: designed at (8, 32) behind a border of 20, 57 by 25.
  RECT links = ClientRectOf(window_, vexal::kIdPanelLinks);
  EXPECT_NEAR(links.left, 30 + 12, 1);
  EXPECT_NEAR(links.top, 30 + 48, 1);
  EXPECT_NEAR(links.right - links.left, 86, 1);
  EXPECT_NEAR(links.bottom - links.top, 38, 1);

  ExpectEditFontsAt(144);
}

TEST_F(Dpi, BackAt96DpiTheFirstLayoutReturns) {
  const SIZE outer_before = OuterSize(window_);
  const std::map<int, RECT> before = WidgetRects();
  const int advance_before = AdvanceToLastChar(window_, vexal::kIdEditAzimut);
  ASSERT_GT(advance_before, 0);

  ASSERT_NO_FATAL_FAILURE(ChangeDpi(144));
  ASSERT_NO_FATAL_FAILURE(ChangeDpi(96));

  SIZE outer = OuterSize(window_);
  EXPECT_EQ(outer.cx, outer_before.cx);
  EXPECT_EQ(outer.cy, outer_before.cy);
  const std::map<int, RECT> after = WidgetRects();
  for (int id : kAllWidgets) {
    SCOPED_TRACE("widget " + std::to_string(id));
    EXPECT_TRUE(EqualRect(&after.at(id), &before.at(id)));
  }
  EXPECT_EQ(AdvanceToLastChar(window_, vexal::kIdEditAzimut), advance_before);
  ExpectLayoutAt(96);
  ExpectEditFontsAt(96);
}

}  // namespace
