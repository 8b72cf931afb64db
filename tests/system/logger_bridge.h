// Test helpers around the bridge program (Logger32Vexal.exe) as seen from outside: start it,
// wait for its main window to appear, read its widgets, and capture it as a picture.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"

namespace logger_test {

class BridgeUnderTest {
 public:
  explicit BridgeUnderTest(harness::Job& job, WORD show = SW_SHOWNORMAL);

  // Waits until the main window "Logger32-Vexal" is visible; null on timeout. Records how long
  // after the start it was first seen, which is never earlier than it appeared.
  HWND WaitShown(harness::Millis timeout);
  HWND window() const { return window_; }
  double shown_after_s() const { return shown_after_s_; }
  harness::Child& process() { return child_; }

  // Text of the widget with this control id (widget_ids.h); "<no widget>" when there is none.
  std::string Text(int id) const;

 private:
  std::chrono::steady_clock::time_point start_;
  harness::Child child_;
  HWND window_ = nullptr;
  double shown_after_s_ = 0;
};

// A test of the bridge on its own: no settings stored, the program started and its window shown.
class ShownBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override;

  harness::Job job_;
  std::unique_ptr<BridgeUnderTest> bridge_;
  HWND window_ = nullptr;
};

// Pixels of a window as it stands on the screen, top-down rows of 0x00RRGGBB.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Copies the window's rectangle from the screen (the window must be on top, as a topmost
// window is); an empty picture on failure.
Picture CaptureWindow(HWND hwnd);
bool SaveBmp(const Picture& picture, const std::string& path);

inline uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return (r << 16) | (g << 8) | b;
}
// A COLORREF (0x00BBGGRR) in the picture's layout.
inline uint32_t FromColorref(COLORREF c) {
  return Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

}  // namespace logger_test
