#include "rotserver/core/window_layout.h"

#include <algorithm>

namespace rotserver {

namespace {

constexpr int kMargin96 = 8, kGap96 = 4, kRow96 = 18, kButtonHeight96 = 24;
constexpr int kHeadingRow96 = 38, kHeadingWidth96 = 120, kEntryWidth96 = 56;
constexpr int kGoWidth96 = 40, kStopWidth96 = 64, kMark96 = 12, kDetailsWidth96 = 64;

int Scale(int value, int dpi) {
  return static_cast<int>((static_cast<long long>(value) * dpi + 48) / 96);
}

}  // namespace

WindowLayout LayOut(int w, int h, int dpi) {
  const int m = Scale(kMargin96, dpi), gap = Scale(kGap96, dpi), row = Scale(kRow96, dpi);
  const int bh = Scale(kButtonHeight96, dpi);
  WindowLayout l;
  // Top down.
  const int heading_bottom = m + Scale(kHeadingRow96, dpi);
  l.heading = {m, m, m + Scale(kHeadingWidth96, dpi), heading_bottom};
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
