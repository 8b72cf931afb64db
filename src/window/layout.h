// The main window's design: window properties and one row per widget, at 96 dpi. Widget
// positions are measured from the inner edge of the window's border margin.
#pragma once

#include "window/colors.h"
#include "window/widget_ids.h"
#include "window/window_base.h"

namespace vexal {

enum class WidgetKind { Label, Panel, Edit };

// The colour a label takes from its window.
inline constexpr TColor kParentColor = 0x1FFFFFFF;

struct WidgetLayout {
  WidgetId id;
  WidgetKind kind;
  int left, top, width, height;
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
  int width, height;  // outer size, frame and caption included
  int border_width;   // inner margin on every side
};

// A widget's rectangle in its window's client area.
struct Placement {
  int x, y, width, height;
};

// Where the widget lies at `dpi`, `origin` being the client coordinate of the border's inner
// edge.
Placement PlacementOf(const WidgetLayout& layout, int dpi, int origin);
void MoveTo(HWND hwnd, const Placement& place);

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

}  // namespace vexal
