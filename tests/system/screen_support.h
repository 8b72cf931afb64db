// Reading the bridge's window from the screen as an operator sees it: which colour fills a
// widget, and which text a widget shows, compared with the text drawn here in the same face.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "logger_bridge.h"

namespace screentest {

// The test screen's pixels per inch, and a length designed at 96 dpi on it.
int ScreenDpi();
int Scaled(int designed96);

// A widget's client area (or its whole window rectangle) in the picture of its top-level window.
RECT ClientAreaInPicture(HWND top, HWND widget);
RECT WindowAreaInPicture(HWND top, HWND widget);
RECT Inset(RECT r, int by);

// The colour (0x00RRGGBB) of more than 60 % of the pixels of `area`; 0xFFFFFFFF when no colour
// covers that much.
uint32_t MainColour(const logger_test::Picture& picture, RECT area);

// A font as the bridge's design names it: face, character height at 96 dpi, bold or not.
struct Face {
  const char* name;
  int height96;
  bool bold;
  BYTE charset;
};

// Width of `text` and the cell height of `face` on this screen, measured here.
SIZE TextSize(const Face& face, const std::string& text);
// The same for a font the caller made; the font stays the caller's.
SIZE TextSizeIn(HFONT font, const std::string& text);

// How far the text shown in `area` (one line, one text colour on a plain background) differs
// from `text` drawn here in `face`: the share of differing pixels within the ink's bounding
// box, after both are reduced to ink and background. 1.0 when the shapes' sizes differ or there
// is no ink on one side and not on the other; 0.0 for both empty.
double TextDifference(const logger_test::Picture& picture, RECT area, const std::string& text,
                      const Face& face);

}  // namespace screentest
