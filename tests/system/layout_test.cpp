// The eleven widgets of the main window as another program finds them: each one's place and
// size in the window's client area, its caption, the target box's three-character limit, which
// widgets take input, and the window's stay-on-top style. The widgets are found by what they
// show, not by any number of the program's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "logger_bridge.h"
#include "screen_support.h"

using screentest::Scaled;

namespace {

// The designed layout at 96 dpi. Positions are measured from the inner edge of the window's
// 20-pixel border margin. Labels size themselves to their text; the sizes here are those of
// their initial texts.
constexpr int kMargin96 = 20;

// Label6 shows its texts in bold 15-pixel characters; the other labels use the default face.
const screentest::Face kStatusFace{"MS Sans Serif", 15, true, DEFAULT_CHARSET};
const screentest::Face kDefaultFace{"MS Sans Serif", 10, false, DEFAULT_CHARSET};

enum class Kind { Label, Panel, Edit };

struct Designed {
  const char* name;
  Kind kind;
  const char* text;  // as shown once the bridge runs without Logger32
  int left, top, width, height;
  bool initial_text;  // the label still shows the text its designed size is measured on
};

const Designed kDesign[] = {
    {"Label6", Kind::Label, "Logger32 not found", 8, 0, 48, 16, false},
    {"PanelLinks", Kind::Panel, "<<", 8, 32, 57, 25, true},
    {"PanelRechts", Kind::Panel, ">>", 88, 32, 57, 25, true},
    {"Label2", Kind::Label, "Azimut ist ", 1, 75, 47, 13, true},
    {"IstAzimut", Kind::Edit, "0", 58, 68, 46, 25, true},
    {"Label1", Kind::Label, "Grad", 118, 75, 23, 13, true},
    {"Label3", Kind::Label, "Azimut soll:", 1, 119, 52, 13, true},
    {"Edit_Azimut", Kind::Edit, "", 58, 112, 46, 25, true},
    {"Label4", Kind::Label, "Grad", 118, 119, 23, 13, true},
    {"Label7", Kind::Label, "Label7", 0, 152, 32, 13, true},
    {"Label5", Kind::Label, "qx0zz 20080401", 80, 152, 32, 13, false},
};

struct Found {
  HWND hwnd = nullptr;
  std::string text;
  RECT rect{};  // in the main window's client coordinates
};

BOOL CALLBACK CollectChild(HWND child, LPARAM lp) {
  auto* out = reinterpret_cast<std::pair<HWND, std::vector<Found>*>*>(lp);
  if (GetParent(child) != out->first) return TRUE;  // only the window's own widgets
  Found f;
  f.hwnd = child;
  f.text = harness::WindowText(child);
  GetWindowRect(child, &f.rect);
  MapWindowPoints(nullptr, out->first, reinterpret_cast<POINT*>(&f.rect), 2);
  out->second->push_back(f);
  return TRUE;
}

std::vector<Found> Widgets(HWND window) {
  std::vector<Found> found;
  std::pair<HWND, std::vector<Found>*> args{window, &found};
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&args));
  // Two labels read "Grad": the upper one is Label1, the lower one Label4.
  std::stable_sort(found.begin(), found.end(),
                   [](const Found& a, const Found& b) { return a.rect.top < b.rect.top; });
  return found;
}

// The n-th widget (from the top) that shows `text`.
const Found* WithText(const std::vector<Found>& widgets, const std::string& text, int n) {
  for (const Found& f : widgets)
    if (f.text == text && n-- == 0) return &f;
  return nullptr;
}

class Layout : public logger_test::ShownBridgeTest {
 protected:
  void SetUp() override {
    ShownBridgeTest::SetUp();
    RecordProperty("dpi", screentest::ScreenDpi());
  }
};

TEST_F(Layout, ElevenWidgetsInTheirDesignedPlaces) {
  std::vector<Found> widgets = Widgets(window_);
  EXPECT_EQ(widgets.size(), 11u) << "the window has other widgets than the designed ones";
  const int origin = Scaled(kMargin96);
  int grad_seen = 0;
  for (const Designed& d : kDesign) {
    SCOPED_TRACE(d.name);
    const Found* f = WithText(widgets, d.text, d.text == std::string("Grad") ? grad_seen++ : 0);
    ASSERT_NE(f, nullptr) << "no widget shows \"" << d.text << "\"";
    EXPECT_EQ(f->rect.left, origin + Scaled(d.left));
    EXPECT_EQ(f->rect.top, origin + Scaled(d.top));
    const int width = f->rect.right - f->rect.left, height = f->rect.bottom - f->rect.top;
    if (d.kind != Kind::Label) {
      EXPECT_EQ(width, Scaled(d.width));
      EXPECT_EQ(height, Scaled(d.height));
      continue;
    }
    // A label fits its text: as high as its face's cell, at least as wide as the text. In
    // "MS Sans Serif" itself the designed sizes hold; the face that stands in for it under
    // Wine draws the same widths in a lower cell (11 pixels instead of 13 at 96 dpi).
    const SIZE text = screentest::TextSize(std::string(d.name) == "Label6" ? kStatusFace : kDefaultFace,
                                           f->text);
    EXPECT_EQ(height, text.cy);
    EXPECT_GE(width, text.cx);
    EXPECT_LE(width, text.cx + Scaled(3));
    if (d.initial_text) {
      EXPECT_NEAR(width, Scaled(d.width), Scaled(3));
    }
  }
}

TEST_F(Layout, OnlyTheTargetBoxTakesInputAndItHoldsThreeCharacters) {
  std::vector<Found> widgets = Widgets(window_);
  const Found* target = WithText(widgets, "", 0);
  const Found* actual = WithText(widgets, "0", 0);
  ASSERT_NE(target, nullptr);
  ASSERT_NE(actual, nullptr);
  EXPECT_TRUE(IsWindowEnabled(target->hwnd));
  EXPECT_FALSE(IsWindowEnabled(actual->hwnd)) << "IstAzimut takes neither focus nor input";
  // Both boxes have the standard sunken border.
  for (const Found* box : {target, actual})
    EXPECT_NE(GetWindowLongPtrA(box->hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0) << box->text;

  // The only tab stop is the target box.
  for (const Found& f : widgets)
    EXPECT_EQ((GetWindowLongPtrA(f.hwnd, GWL_STYLE) & WS_TABSTOP) != 0, f.hwnd == target->hwnd)
        << "\"" << f.text << "\"";

  EXPECT_EQ(SendMessageA(target->hwnd, EM_GETLIMITTEXT, 0, 0), 3);
  // Text put in as a user would (replacing the selection) stops at three characters.
  SendMessageA(target->hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("12345"));
  EXPECT_EQ(harness::WindowText(target->hwnd), "123");
}

TEST_F(Layout, WindowStaysOnTopWithItsCaption) {
  EXPECT_EQ(harness::WindowText(window_), "Logger32-Vexal");
  EXPECT_NE(GetWindowLongPtrA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  RECT r{};
  ASSERT_TRUE(GetWindowRect(window_, &r));
  EXPECT_EQ(r.right - r.left, Scaled(212));
  EXPECT_EQ(r.bottom - r.top, Scaled(236));
}

}  // namespace
