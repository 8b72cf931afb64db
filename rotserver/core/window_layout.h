// Where everything sits in RotServer's window, from its client size and dpi: the large heading
// and target, the rotator's activity, the rose with the map, the pointer read-out, the bearing
// entry with Go, LP and Stop, two rows of three preset buttons, the bridge's line with
// "Details…" and the status line of three rows with its coloured mark. Design units at 96 dpi. No Win32 here.
#pragma once

#include <array>

namespace rotserver {

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

struct WindowLayout {
  Box heading, target, activity;
  Box rose;
  Box pointer;
  Box entry, go, long_path, stop;
  std::array<Box, 6> presets;
  Box bridge, details;  // "Details…" at the bridge line's end, under the presets
  Box mark, status;  // the status text wraps to three rows
  // Em heights in pixels: the heading and the target grow with the window.
  int heading_font = 0, target_font = 0, text_font = 0;
};

inline constexpr int kLayoutWidth96 = 320, kLayoutHeight96 = 620;
inline constexpr int kLayoutMinWidth96 = 260, kLayoutMinHeight96 = 490;
// Em heights at 96 dpi and the default size: the heading and the target must be read from
// across the room (their digits are about 0.72 em high: 33 px).
inline constexpr int kHeadingFont96 = 46, kTargetFont96 = 46, kTextFont96 = 12;

WindowLayout LayOut(int client_width, int client_height, int dpi);

}  // namespace rotserver
