// The bridge's main window from outside: caption, topmost style, outer size, minimised start,
// closing, and a picture of its layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "harness.h"
#include "logger_bridge.h"
#include "logger_driver.h"
#include "bridge/window/widget_ids.h"

using namespace harness;
using namespace logger_test;
using namespace std::chrono_literals;

namespace {

constexpr Millis kShowTimeout = 30s;

class Window : public ::testing::Test {
 protected:
  void SetUp() override { DeleteVexalKey(); }

  // The bridge connected to a default simulator: the quickest way to a shown window.
  HWND StartConnected(WORD show = SW_SHOWNORMAL) {
    sim_ = std::make_unique<LoggerDriver>(job_, TestDir());
    bridge_ = std::make_unique<BridgeUnderTest>(job_, show);
    return bridge_->WaitShown(kShowTimeout);
  }

  Job job_;
  std::unique_ptr<LoggerDriver> sim_;
  std::unique_ptr<BridgeUnderTest> bridge_;
};

int Scaled(int designed) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return MulDiv(designed, dpi, 96);
}

// The picture seen in client coordinates of the captured window.
class ClientPixels {
 public:
  ClientPixels(const Picture& picture, HWND hwnd) : picture_(picture) {
    RECT window;
    GetWindowRect(hwnd, &window);
    POINT p{0, 0};
    ClientToScreen(hwnd, &p);
    dx_ = p.x - window.left;
    dy_ = p.y - window.top;
  }
  bool Has(int x, int y) const {
    return x + dx_ >= 0 && y + dy_ >= 0 && x + dx_ < picture_.width && y + dy_ < picture_.height;
  }
  uint32_t At(int x, int y) const { return picture_.At(x + dx_, y + dy_); }

  // Share of the pixels in a client rectangle that have exactly this colour.
  double ShareOf(RECT r, uint32_t colour) const {
    int total = 0, hits = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        if (!Has(x, y)) continue;
        ++total;
        hits += At(x, y) == colour;
      }
    return total ? static_cast<double>(hits) / total : 0.0;
  }

 private:
  const Picture& picture_;
  int dx_ = 0, dy_ = 0;
};

bool Yellowish(uint32_t px) {
  return ((px >> 16) & 0xFF) > 200 && ((px >> 8) & 0xFF) > 200 && (px & 0xFF) < 80;
}

TEST_F(Window, CaptionTopmostAndOuterSize) {
  HWND hwnd = StartConnected();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(WindowText(hwnd), "Logger32-Vexal");
  EXPECT_NE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "stays on top";
  LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
  EXPECT_NE(style & WS_THICKFRAME, 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_NE(style & WS_MAXIMIZEBOX, 0);
  EXPECT_EQ(GetMenu(hwnd), nullptr);
  RECT r;
  ASSERT_TRUE(GetWindowRect(hwnd, &r));
  EXPECT_EQ(r.right - r.left, Scaled(212));
  EXPECT_EQ(r.bottom - r.top, Scaled(236));
  EXPECT_FALSE(IsIconic(hwnd));
}

TEST_F(Window, ClosingEndsTheProcessWithoutReleaseWhenNoRotatorLink) {
  HWND hwnd = StartConnected();
  ASSERT_NE(hwnd, nullptr);
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  DWORD code = 99;
  EXPECT_TRUE(bridge_->process().WaitExit(15s, &code));
  EXPECT_EQ(code, 0u);
  // The rotator link never opened (no "Program" value), so Logger32 is not released.
  EXPECT_EQ(sim_->ReceivedCodes(), "1:1 1:2 1:3");
  EXPECT_TRUE(sim_->process().Running()) << "Logger32 stays up";
}

TEST_F(Window, MinimisedStartRunsTheHandshakeAsUsual) {
  HWND hwnd = StartConnected(SW_SHOWMINNOACTIVE);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(IsIconic(hwnd));
  EXPECT_EQ(bridge_->Text(vexal::kIdLabel6), "Logger32 connected");
  EXPECT_EQ(sim_->ReceivedCodes(), "1:1 1:2 1:3");
}

TEST_F(Window, PictureShowsBlueBodyAndWidgetsInPlace) {
  HWND hwnd = StartConnected();
  ASSERT_NE(hwnd, nullptr);
  // Let the first paint finish before copying the screen.
  WaitUntil([] { return false; }, 1500ms);
  Picture picture = CaptureWindow(hwnd);
  ASSERT_GT(picture.width, 0);
  ASSERT_TRUE(SaveBmp(picture, TestDir() + "\\bridge.bmp"));

  ClientPixels pixels(picture, hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  const int margin = Scaled(20);
  const uint32_t blue = Rgb(0, 0, 255);
  const uint32_t window_colour = FromColorref(GetSysColor(COLOR_WINDOW));
  const uint32_t button_face = FromColorref(GetSysColor(COLOR_BTNFACE));

  // The border margin on all four sides is the window's blue.
  EXPECT_GT(pixels.ShareOf({0, 0, client.right, margin - 2}, blue), 0.99);
  EXPECT_GT(pixels.ShareOf({0, 0, margin - 2, client.bottom}, blue), 0.99);
  EXPECT_GT(pixels.ShareOf({client.right - margin + 2, 0, client.right, client.bottom}, blue),
            0.99);
  EXPECT_GT(pixels.ShareOf({0, client.bottom - margin + 2, client.right, client.bottom}, blue),
            0.99);

  // Label2 "Azimut ist " is a light box at (1, 75) inside the margin, on blue just left of it.
  RECT label2{margin + Scaled(1), margin + Scaled(75), margin + Scaled(1 + 47),
              margin + Scaled(75 + 13)};
  EXPECT_GT(pixels.ShareOf(label2, window_colour), 0.5);
  EXPECT_GT(pixels.ShareOf({margin - 4, label2.top, margin, label2.bottom}, blue), 0.99);

  // PanelLinks at (8, 32), 57 by 25, in the button-face colour until a status arrives.
  RECT panel{margin + Scaled(8 + 4), margin + Scaled(32 + 4), margin + Scaled(8 + 57 - 4),
             margin + Scaled(32 + 25 - 4)};
  EXPECT_GT(pixels.ShareOf(panel, button_face), 0.5);

  // Label6's yellow text starts near (8, 0) inside the margin.
  int min_x = client.right, min_y = client.bottom;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) {
      if (pixels.Has(x, y) && Yellowish(pixels.At(x, y))) {
        min_x = std::min(min_x, x);
        min_y = std::min(min_y, y);
      }
    }
  EXPECT_GE(min_x, margin + Scaled(8) - 1);
  EXPECT_LE(min_x, margin + Scaled(8) + 6);
  EXPECT_GE(min_y, margin - 1);
  EXPECT_LE(min_y, margin + Scaled(8));
}

}  // namespace
