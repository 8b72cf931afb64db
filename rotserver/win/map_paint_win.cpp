#include "rotserver/win/map_paint_win.h"

#include <cmath>
#include <cstring>

#include "rotserver/core/land_grid.h"
#include "rotserver/win/resource_ids.h"

namespace rotserver {

namespace {

constexpr double kMapFraction = 0.90;  // the rose's scale circle

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

Rose MapDisc(const Rose& rose) {
  return {rose.cx, rose.cy, rose.radius * kMapFraction};
}

bool HighContrast() {
  HIGHCONTRASTA hc{};
  hc.cbSize = sizeof hc;
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
         (hc.dwFlags & HCF_HIGHCONTRASTON);
}

MapLayer::MapLayer() = default;

bool MapLayer::available() {
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

MapLayer::~MapLayer() = default;

void MapLayer::Paint(HDC dc, const Rose& disc, const LatLon& station) {
  if (!available()) return;
  const int size = static_cast<int>(std::lround(disc.radius * 2));
  if (size < 4) return;
  const MapColours colours = ColoursNow();
  if (size != size_ || station.lat != station_.lat || station.lon != station_.lon ||
      !Same(colours, colours_))
    Draw(dc, size, station, colours);
  if (!bitmap_.get()) return;
  winui::MemoryDc source(dc);
  winui::SelectedObject selected(source.get(), bitmap_.get());
  BitBlt(dc, static_cast<int>(std::lround(disc.cx - size / 2.0)),
         static_cast<int>(std::lround(disc.cy - size / 2.0)), size, size, source.get(), 0, 0,
         SRCCOPY);
}

void MapLayer::Draw(HDC dc, int size, const LatLon& station, const MapColours& colours) {
  size_ = size;
  station_ = station;
  colours_ = colours;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // top-down, as DrawMap's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.Reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_.get() || !bits) return;
  const std::vector<uint32_t> pixels = DrawMap(*land_, station, size, colours);
  std::memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));  // 0xRRGGBB is BI_RGB's
  GdiFlush();
}

}  // namespace rotserver
