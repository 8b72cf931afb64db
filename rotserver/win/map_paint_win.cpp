#include "rotserver/win/map_paint_win.h"

#include <cmath>
#include <cstring>

#include "rotserver/core/land_grid.h"
#include "rotserver/win/resource_ids.h"

namespace rotserver {

namespace {

uint32_t Rgb(COLORREF c) {
  return static_cast<uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

MapColours ColoursNow() {
  if (HighContrast())
    return {Rgb(GetSysColor(COLOR_WINDOW)), Rgb(GetSysColor(COLOR_WINDOW)),
            Rgb(GetSysColor(COLOR_WINDOWTEXT)), Rgb(GetSysColor(COLOR_WINDOW))};
  return {Rgb(kSeaColour), Rgb(kLandColour), Rgb(kCoastColour), Rgb(GetSysColor(COLOR_WINDOW))};
}

bool Same(const MapColours& a, const MapColours& b) {
  return a.sea == b.sea && a.land == b.land && a.coast == b.coast && a.outside == b.outside;
}

}  // namespace

bool HighContrast() {
  HIGHCONTRASTA hc{};
  hc.cbSize = sizeof hc;
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
         (hc.dwFlags & HCF_HIGHCONTRASTON);
}

MapLayer::MapLayer() = default;

MapLayer::~MapLayer() = default;

void MapLayer::SetStation(const std::optional<LatLon>& station) {
  if (station && station_ && station->lat == station_->lat && station->lon == station_->lon) return;
  station_ = station;
  projection_.reset();
  if (station) projection_ = std::make_unique<AzimuthalMap>(*station);
  width_ = 0;
}

bool MapLayer::shown() {
  return projection_ && Load();
}

bool MapLayer::Load() {
  if (loaded_) return land_ != nullptr;
  loaded_ = true;
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(ROTSERVER_LAND_DATA),
                              MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) {
    problem_ = "this program holds no map data";
    return false;
  }
  std::string_view bytes(static_cast<const char*>(data), SizeofResource(module, found));
  if (std::optional<LandRings> rings = DecodeLand(bytes, &problem_))
    land_ = std::make_unique<LandGrid>(*rings);
  return land_ != nullptr;
}

void MapLayer::Paint(HDC dc, const Rose& rose) {
  if (!shown()) return;
  const MapFrame frame = MapFrameIn(rose, projection_->Aspect());
  const int width = static_cast<int>(std::lround(frame.width));
  const int height = static_cast<int>(std::lround(frame.height));
  if (width < 4 || height < 4) return;
  const MapColours colours = ColoursNow();
  if (width != width_ || height != height_ || !Same(colours, colours_))
    Draw(dc, width, height, colours);
  if (!bitmap_.get()) return;
  winui::MemoryDc source(dc);
  winui::SelectedObject selected(source.get(), bitmap_.get());
  BitBlt(dc, static_cast<int>(std::lround(frame.left + (frame.width - width) / 2.0)),
         static_cast<int>(std::lround(frame.top + (frame.height - height) / 2.0)), width, height,
         source.get(), 0, 0, SRCCOPY);
}

std::optional<MapSpot> MapLayer::SpotAt(const Rose& rose, double x, double y) {
  if (!shown() || rose.radius <= 0) return std::nullopt;
  const MapPoint at = MapFrameIn(rose, projection_->Aspect()).ToMap(x, y);
  if (at.x < 0 || at.x > 1 || at.y < 0 || at.y > 1) return std::nullopt;
  return projection_->Unproject(at);
}

void MapLayer::Draw(HDC dc, int width, int height, const MapColours& colours) {
  width_ = width;
  height_ = height;
  colours_ = colours;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as DrawMap's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.Reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_.get() || !bits) return;
  const std::vector<uint32_t> pixels = DrawMap(*land_, *projection_, width, height, colours);
  std::memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));  // 0xRRGGBB is BI_RGB's
  GdiFlush();
}

}  // namespace rotserver
