#include "screen_support.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "winui/gdi_objects_win.h"

namespace screentest {

namespace {

// Ink (true) and background (false) pixels, cropped to the ink's bounding box.
struct InkMask {
  int width = 0;
  int height = 0;
  std::vector<bool> ink;
  bool At(int x, int y) const { return ink[static_cast<size_t>(y) * width + x]; }
};

int Luminance(uint32_t rgb) {
  return static_cast<int>((((rgb >> 16) & 0xFF) * 299 + ((rgb >> 8) & 0xFF) * 587 +
                           (rgb & 0xFF) * 114) /
                          1000);
}

// A pixel is ink when its luminance lies nearer the strongest text pixel than the background:
// this takes the same shape from grey text on white as from black text on white.
InkMask MaskOf(const std::vector<uint32_t>& pixels, int width, int height) {
  std::map<uint32_t, int> counts;
  for (uint32_t p : pixels) ++counts[p];
  uint32_t background = 0;
  int most = -1;
  for (const auto& [colour, n] : counts)
    if (n > most) most = n, background = colour;
  const int bg = Luminance(background);
  int strongest = 0;
  for (uint32_t p : pixels) strongest = std::max(strongest, std::abs(Luminance(p) - bg));
  InkMask mask;
  if (strongest < 40) return mask;  // nothing that reads as text
  int left = width, top = height, right = -1, bottom = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (std::abs(Luminance(pixels[static_cast<size_t>(y) * width + x]) - bg) * 2 > strongest) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  mask.width = right - left + 1;
  mask.height = bottom - top + 1;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x)
      mask.ink.push_back(std::abs(Luminance(pixels[static_cast<size_t>(y) * width + x]) - bg) * 2 >
                         strongest);
  return mask;
}

HFONT CreateFace(const Face& face) {
  return CreateFontA(-Scaled(face.height96), 0, 0, 0, face.bold ? FW_BOLD : FW_NORMAL, FALSE,
                     FALSE, FALSE, face.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.name);
}

// `text` drawn black on white in `face`, as pixels of the picture's layout.
std::vector<uint32_t> Render(const std::string& text, const Face& face, int& width, int& height) {
  winui::MemoryDc memory(nullptr);
  HDC dc = memory.get();
  winui::GdiObject<HFONT> font(CreateFace(face));
  winui::SelectedObject font_selected(dc, font.get());
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  width = extent.cx + 8;
  height = extent.cy + 8;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  winui::GdiObject<HBITMAP> dib(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  std::vector<uint32_t> pixels;
  if (dib.get() && bits) {
    winui::SelectedObject bitmap_selected(dc, dib.get());
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, 4, 4, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    pixels.assign(p, p + static_cast<size_t>(width) * height);
    for (uint32_t& px : pixels) px &= 0x00FFFFFF;
  }
  return pixels;
}

}  // namespace

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int Scaled(int designed96) { return MulDiv(designed96, ScreenDpi(), 96); }

SIZE TextSizeIn(HFONT font, const std::string& text) {
  winui::MemoryDc memory(nullptr);
  winui::SelectedObject selected(memory.get(), font);
  SIZE size{};
  GetTextExtentPoint32A(memory.get(), text.c_str(), static_cast<int>(text.size()), &size);
  TEXTMETRICA tm{};
  GetTextMetricsA(memory.get(), &tm);
  size.cy = tm.tmHeight;
  return size;
}

SIZE TextSize(const Face& face, const std::string& text) {
  HFONT font = CreateFace(face);
  SIZE size = TextSizeIn(font, text);
  DeleteObject(font);
  return size;
}

RECT WindowAreaInPicture(HWND top, HWND widget) {
  RECT top_rect{}, r{};
  GetWindowRect(top, &top_rect);
  GetWindowRect(widget, &r);
  OffsetRect(&r, -top_rect.left, -top_rect.top);
  return r;
}

RECT ClientAreaInPicture(HWND top, HWND widget) {
  RECT top_rect{}, client{};
  GetWindowRect(top, &top_rect);
  GetClientRect(widget, &client);
  MapWindowPoints(widget, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -top_rect.left, -top_rect.top);
  return client;
}

RECT Inset(RECT r, int by) {
  InflateRect(&r, -by, -by);
  return r;
}

uint32_t MainColour(const logger_test::Picture& picture, RECT area) {
  std::map<uint32_t, int> counts;
  int total = 0;
  for (int y = std::max(0L, area.top); y < std::min<long>(area.bottom, picture.height); ++y)
    for (int x = std::max(0L, area.left); x < std::min<long>(area.right, picture.width); ++x)
      ++counts[picture.At(x, y)], ++total;
  for (const auto& [colour, n] : counts)
    if (n * 10 > total * 6) return colour;
  return 0xFFFFFFFF;
}

double TextDifference(const logger_test::Picture& picture, RECT area, const std::string& text,
                      const Face& face) {
  area.left = std::max(0L, area.left);
  area.top = std::max(0L, area.top);
  area.right = std::min<long>(area.right, picture.width);
  area.bottom = std::min<long>(area.bottom, picture.height);
  if (area.right <= area.left || area.bottom <= area.top) return 1.0;
  std::vector<uint32_t> shown;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) shown.push_back(picture.At(x, y));
  InkMask seen = MaskOf(shown, area.right - area.left, area.bottom - area.top);
  int width = 0, height = 0;
  std::vector<uint32_t> drawn = Render(text, face, width, height);
  InkMask expected = MaskOf(drawn, width, height);
  if (seen.ink.empty() || expected.ink.empty())
    return seen.ink.empty() && expected.ink.empty() ? 0.0 : 1.0;
  if (std::abs(seen.width - expected.width) > 1 || std::abs(seen.height - expected.height) > 1)
    return 1.0;
  const int w = std::max(seen.width, expected.width), h = std::max(seen.height, expected.height);
  int differing = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bool a = x < seen.width && y < seen.height && seen.At(x, y);
      bool b = x < expected.width && y < expected.height && expected.At(x, y);
      differing += a != b;
    }
  return static_cast<double>(differing) / (w * h);
}

}  // namespace screentest
