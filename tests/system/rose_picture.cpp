#include "rose_picture.h"

#include <algorithm>
#include <cmath>

namespace rstest {

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

RosePicture::RosePicture(HWND hwnd) : hwnd_(hwnd), picture_(logger_test::CaptureWindow(hwnd)) {
  RECT window;
  GetWindowRect(hwnd, &window);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  dx_ = origin.x - window.left;
  dy_ = origin.y - window.top;
  int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
  for (int y = 0; y < picture_.height; ++y)
    for (int x = 0; x < picture_.width; ++x)
      if (picture_.At(x, y) == kRingGreen) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  found_ = right > left + 40 && bottom > top + 40;
  cx_ = (left + right) / 2.0 - dx_;
  cy_ = (top + bottom) / 2.0 - dy_;
  radius_ = (right - left) / 2.0;
}

POINT RosePicture::Along(double deg, double fraction) const {
  const double a = deg * kPi / 180.0;
  return {static_cast<LONG>(std::lround(cx_ + radius_ * fraction * std::sin(a))),
          static_cast<LONG>(std::lround(cy_ - radius_ * fraction * std::cos(a)))};
}

POINT RosePicture::ScreenAlong(double deg, double fraction) const {
  POINT p = Along(deg, fraction);
  ClientToScreen(hwnd_, &p);
  return p;
}

int RosePicture::HitsAlong(double deg, uint32_t colour) const {
  int hits = 0;
  for (int i = 0; i <= 8; ++i) {
    POINT p = Along(deg, 0.3 + 0.05 * i);
    bool hit = false;
    for (int oy = -1; oy <= 1 && !hit; ++oy)
      for (int ox = -1; ox <= 1 && !hit; ++ox) hit = At(p.x + ox, p.y + oy) == colour;
    hits += hit;
  }
  return hits;
}

int RosePicture::Count(uint32_t colour) const {
  int n = 0;
  for (uint32_t px : picture_.pixels) n += px == colour;
  return n;
}

uint32_t RosePicture::At(int x, int y) const {
  x += dx_, y += dy_;
  if (x < 0 || y < 0 || x >= picture_.width || y >= picture_.height) return 0xFF000000;
  return picture_.At(x, y);
}

std::wstring WideText(HWND hwnd) {
  std::wstring text(512, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace rstest
