// Measures the paint of RotServer's great-circle map. Prints one "key value" line per figure;
// errors go to standard error with exit code 2.
//
//   bench-rotserver-map [--count N] [--size PX]
//       the map of the disc PX pixels wide (default 400) centred on JN58td: the first paint
//       (land looked up for every pixel, once per size and station), then N paints from the
//       cached picture (default 200), the map alone and the whole rose over it
//
// The land comes from this program's own copy of RotServer's RCDATA (bench-map.rc).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rotserver/core/geodesy.h"
#include "rotserver/win/map_paint_win.h"
#include "rotserver/win/rose_paint_win.h"
#include "stats.h"

namespace {

double NowMicros() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

void PrintSummary(const char* prefix, const std::vector<double>& micros) {
  bench::Summary s = bench::Summarize(micros);
  std::printf("%s_count %zu\n%s_median_us %.1f\n%s_p90_us %.1f\n%s_max_us %.1f\n", prefix, s.count,
              prefix, s.median, prefix, s.p90, prefix, s.max);
}

int Run(long count, int size) {
  rotserver::MapLayer map;
  const rotserver::LatLon station = *rotserver::ParseLocator("JN58td", nullptr);
  map.SetStation(station);
  if (!map.shown()) {
    std::fprintf(stderr, "bench-rotserver-map: %s\n", map.problem().c_str());
    return 2;
  }
  HDC screen = GetDC(nullptr);
  winui::MemoryDc dc(screen);
  // The rose's area such that its map disc is `size` wide (the map fills 0.9 of the rose).
  const int area = static_cast<int>(size / 0.9) + 16;
  winui::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, area, area));
  ReleaseDC(nullptr, screen);
  winui::SelectedObject selected(dc.get(), bitmap.get());
  const rotserver::Rose rose{area / 2.0, area / 2.0, size / 0.9 / 2.0};

  double start = NowMicros();
  map.Paint(dc.get(), rose);
  GdiFlush();
  std::printf("map_first_paint_us %.1f\n", NowMicros() - start);

  std::vector<double> cached, whole;
  for (long i = 0; i < count; ++i) {
    start = NowMicros();
    map.Paint(dc.get(), rose);
    GdiFlush();
    cached.push_back(NowMicros() - start);
  }
  rotserver::ViewState state;
  state.azimuth = 123;
  state.target = 245;
  state.direction = 1;
  state.min_az = 0;
  state.max_az = 450;
  const RECT rect{0, 0, area, area};
  for (long i = 0; i < count; ++i) {
    start = NowMicros();
    rotserver::PaintRose(dc.get(), rect, state, 96,
                         static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), &map);
    GdiFlush();
    whole.push_back(NowMicros() - start);
  }
  std::printf("map_size_px %d\n", size);
  PrintSummary("map_cached_paint", cached);
  PrintSummary("rose_with_map_paint", whole);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  long count = 200, size = 400;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--count" && i + 1 < args.size()) {
      count = std::atol(args[++i].c_str());
    } else if (args[i] == "--size" && i + 1 < args.size()) {
      size = std::atol(args[++i].c_str());
    } else {
      std::fprintf(stderr, "usage: bench-rotserver-map [--count N] [--size PX]\n");
      return 2;
    }
  }
  if (count < 1 || size < 16 || size > 4000) {
    std::fprintf(stderr, "bench-rotserver-map: --count at least 1, --size 16..4000\n");
    return 2;
  }
  return Run(count, static_cast<int>(size));
}
