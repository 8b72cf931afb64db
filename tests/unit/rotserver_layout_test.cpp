// RotServer's window layout: at its default and its smallest size every part keeps its room,
// nothing overlaps, and the status line has three rows for a long reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rotserver/core/window_layout.h"

namespace {

using rotserver::Box;

bool Overlap(const Box& a, const Box& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::vector<std::pair<std::string, Box>> Parts(const rotserver::WindowLayout& l) {
  std::vector<std::pair<std::string, Box>> parts = {
      {"heading", l.heading}, {"target", l.target},   {"activity", l.activity},
      {"rose", l.rose},       {"pointer", l.pointer}, {"entry", l.entry},
      {"go", l.go},           {"lp", l.long_path},    {"stop", l.stop},
      {"bridge", l.bridge},   {"mark", l.mark},       {"status", l.status},
      {"details", l.details}};
  for (size_t i = 0; i < l.presets.size(); ++i)
    parts.push_back({"preset " + std::to_string(i + 1), l.presets[i]});
  return parts;
}

TEST(RotServerLayout, NothingOverlapsAndEverythingFitsAtDefaultAndSmallestSize) {
  struct Size {
    int w, h, dpi;
  };
  // Client sizes a little under the outer sizes (frame, caption and menu taken off).
  for (const Size& s : {Size{304, 560, 96}, Size{244, 430, 96}, Size{456, 840, 144}}) {
    const rotserver::WindowLayout l = rotserver::LayOut(s.w, s.h, s.dpi);
    const auto parts = Parts(l);
    for (size_t i = 0; i < parts.size(); ++i) {
      const Box& b = parts[i].second;
      EXPECT_GT(b.width(), 0) << parts[i].first << " at " << s.w;
      EXPECT_GT(b.height(), 0) << parts[i].first << " at " << s.w;
      EXPECT_GE(b.left, 0) << parts[i].first;
      EXPECT_GE(b.top, 0) << parts[i].first;
      EXPECT_LE(b.right, s.w) << parts[i].first;
      EXPECT_LE(b.bottom, s.h) << parts[i].first;
      for (size_t j = i + 1; j < parts.size(); ++j)
        EXPECT_FALSE(Overlap(b, parts[j].second))
            << parts[i].first << " and " << parts[j].first << " at " << s.w << "x" << s.h;
    }
    EXPECT_GE(l.rose.height(), 150 * s.dpi / 96) << "the rose keeps room at " << s.w;
    EXPECT_GE(l.status.height(), 3 * 14 * s.dpi / 96) << "three rows of status text";
    EXPECT_GE(l.heading.height(), l.heading_font);
    EXPECT_GE(l.heading.width(), 2.4 * l.heading_font) << "room for \"360°\" in bold";
    EXPECT_GT(l.stop.left, l.long_path.right) << "Stop apart from LP";
  }
}

// Read from across the room: digits (0.72 of the em) of 32 px at the default size, 48 at
// 144 dpi, larger in a larger window and never smaller in a taller one.
TEST(RotServerLayout, HeadingAndTargetGrowWithTheWindow) {
  const rotserver::WindowLayout normal = rotserver::LayOut(304, 560, 96);
  EXPECT_GE(normal.heading_font * 0.72, 32);
  EXPECT_GE(normal.target_font * 0.72, 32);
  EXPECT_GE(rotserver::LayOut(456, 840, 144).heading_font * 0.72, 48);
  const rotserver::WindowLayout large = rotserver::LayOut(504, 800, 96);
  EXPECT_GT(large.heading_font, normal.heading_font * 1.3);
  EXPECT_GT(large.target_font, normal.target_font * 1.3);
  EXPECT_GT(large.heading.height(), normal.heading.height());
  EXPECT_EQ(rotserver::LayOut(304, 900, 96).heading_font, normal.heading_font)
      << "a window only taller keeps the width's size";
  EXPECT_EQ(normal.text_font, 12);
}

}  // namespace
