// The main window's design: window properties and one row per widget. Every measure whose name
// ends in 96 is in design units, pixels at 96 dpi, which the window's shells scale to the
// monitor's DPI (Scale in window_base_win.h). Widget positions are measured from the inner
// edge of the window's border margin. No Win32 here.
#pragma once

#include <cstdint>
#include <span>

#include "bridge/window/colors.h"
#include "bridge/window/widget_ids.h"

namespace vexal {

// The DPI at which design units are pixels.
inline constexpr int kDesignDpi = 96;

enum class WidgetKind { Label, Panel, Edit };

// The colour a label takes from its window.
inline constexpr TColor kParentColor = 0x1FFFFFFF;

// GDI's character-set numbers (ANSI_CHARSET, DEFAULT_CHARSET).
inline constexpr std::uint8_t kAnsiCharset = 0;
inline constexpr std::uint8_t kDefaultCharset = 1;

struct FontSpec {
  const char* face;
  int height96;  // character height
  bool bold;
  TColor color;
  std::uint8_t charset;
};

struct WidgetLayout {
  WidgetId id;
  WidgetKind kind;
  int left96, top96, width96, height96;
  const char* text;
  const FontSpec* font;
  TColor color;
  int tag;         // panels
  int max_length;  // edits; 0: no limit
  bool enabled;
};

struct FormLayout {
  const char* caption;
  TColor color;
  int width96, height96;  // outer size, frame and caption included
  int border_width96;     // inner margin on every side
};

// A widget that follows its window to another DPI: new font, new place and size.
class ScaledWidget {
 public:
  virtual void Rescale(int dpi, int origin) = 0;

 protected:
  ~ScaledWidget() = default;
};

extern const FontSpec kDefaultFont;
extern const FormLayout kForm6Layout;

// The row of the widget with this id; every id of widget_ids.h has one.
const WidgetLayout& LayoutOf(WidgetId id);
// Every row, in the table's order.
std::span<const WidgetLayout> AllWidgetLayouts();

}  // namespace vexal
