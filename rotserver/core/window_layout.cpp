#include "rotserver/core/window_layout.h"

#include <algorithm>

namespace rotserver {

namespace {

constexpr int kMargin96 = 8, kGap96 = 4, kRow96 = 18, kButtonHeight96 = 24;
constexpr int kEntryWidth96 = 56;
constexpr int kGoWidth96 = 40, kStopWidth96 = 64, kMark96 = 12, kDetailsWidth96 = 64;
// The heading and target grow with the client area beyond this size (a little under the
// default window's, so that they are full size there whatever the frame takes).
constexpr double kGrowFromWidth96 = 300, kGrowFromHeight96 = 540;
constexpr double kSmallest = 0.8, kLargest = 2.5;
// The heading's row and width in ems of its font: "360°" in bold with room to spare; the row
// holds the digits and the degree sign (the font's leading and descent may be cut).
constexpr double kHeadingRowEm = 1.0, kHeadingWidthEm = 2.5;

int Scale(int value, int dpi) {
  return static_cast<int>((static_cast<long long>(value) * dpi + 48) / 96);
}

int Grown(int value96, int dpi, double factor) {
  return static_cast<int>(Scale(value96, dpi) * factor + 0.5);
}

}  // namespace

WindowLayout LayOut(int w, int h, int dpi) {
  const int m = Scale(kMargin96, dpi), gap = Scale(kGap96, dpi), row = Scale(kRow96, dpi);
  const int bh = Scale(kButtonHeight96, dpi);
  WindowLayout l;
  const double grow = std::clamp(
      std::min(w * 96.0 / (kGrowFromWidth96 * dpi), h * 96.0 / (kGrowFromHeight96 * dpi)),
      kSmallest, kLargest);
  l.heading_font = Grown(kHeadingFont96, dpi, grow);
  l.target_font = Grown(kTargetFont96, dpi, grow);
  l.text_font = Scale(kTextFont96, dpi);
  // Top down.
  const int heading_bottom = m + static_cast<int>(l.heading_font * kHeadingRowEm + 0.5);
  l.heading = {m, m, m + static_cast<int>(l.heading_font * kHeadingWidthEm + 0.5), heading_bottom};
  l.target = {l.heading.right + gap, m, w - m, heading_bottom};
  l.activity = {m, heading_bottom, w - m, heading_bottom + row};
  // Bottom up: status (three rows), bridge, presets (two rows), entry row, pointer read-out.
  const int status_top = h - m - 3 * row;
  const int mark = Scale(kMark96, dpi);
  l.mark = {m, status_top + (row - mark) / 2, m + mark, status_top + (row - mark) / 2 + mark};
  l.status = {l.mark.right + gap, status_top, w - m, h - m};
  l.details = {w - m - Scale(kDetailsWidth96, dpi), status_top - row, w - m, status_top};
  l.bridge = {m, status_top - row, l.details.left - gap, status_top};
  const int presets_top = l.bridge.top - gap - 2 * bh - gap;
  const int preset_width = (w - 2 * m - 2 * gap) / 3;
  for (int i = 0; i < 6; ++i) {
    const int left = m + (i % 3) * (preset_width + gap);
    const int top = presets_top + (i / 3) * (bh + gap);
    l.presets[static_cast<size_t>(i)] = {left, top, left + preset_width, top + bh};
  }
  const int entry_top = presets_top - gap - bh;
  l.entry = {m, entry_top, m + Scale(kEntryWidth96, dpi), entry_top + bh};
  l.go = {l.entry.right + gap, entry_top, l.entry.right + gap + Scale(kGoWidth96, dpi),
          entry_top + bh};
  l.long_path = {l.go.right + gap, entry_top, l.go.right + gap + Scale(kGoWidth96, dpi),
                 entry_top + bh};
  l.stop = {w - m - Scale(kStopWidth96, dpi), entry_top, w - m, entry_top + bh};
  l.pointer = {m, entry_top - gap - row, w - m, entry_top - gap};
  l.rose = {m, l.activity.bottom, w - m, std::max(l.activity.bottom, l.pointer.top)};
  return l;
}

}  // namespace rotserver
