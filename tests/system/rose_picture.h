// RotServer's window as pictures and texts for the Wine tests: the rose found by its pale green
// range ring, points on it by compass direction, and the texts of its W controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "logger_bridge.h"

namespace rstest {

// The pale green ring of the reachable headings around the rose.
inline const uint32_t kRingGreen = logger_test::Rgb(214, 234, 214);

// The window's picture in client coordinates, and the rose found in it by its green ring.
class RosePicture {
 public:
  explicit RosePicture(HWND hwnd);

  bool found() const { return found_; }
  double radius() const { return radius_; }
  // The client point at `fraction` of the radius towards compass `deg` (0 up, clockwise).
  POINT Along(double deg, double fraction) const;
  // The same point on the screen, for the pointer.
  POINT ScreenAlong(double deg, double fraction) const;
  // How many of the points between 30 % and 70 % of the radius along `deg` have the colour
  // (or one next to them does: the needle is a few pixels wide).
  int HitsAlong(double deg, uint32_t colour) const;
  int Count(uint32_t colour) const;
  // The colour at a client point.
  uint32_t At(int x, int y) const;

 private:
  HWND hwnd_;
  logger_test::Picture picture_;
  int dx_ = 0, dy_ = 0;
  bool found_ = false;
  double cx_ = 0, cy_ = 0, radius_ = 0;
};

// The text of a control created as a Unicode window ("245°", "→ 272°") as UTF-16.
std::wstring WideText(HWND hwnd);

}  // namespace rstest
