#include "logger_bridge.h"

#include <cstdio>

#include "winui/gdi_objects_win.h"

namespace logger_test {

BridgeUnderTest::BridgeUnderTest(harness::Job& job, WORD show)
    : start_(std::chrono::steady_clock::now()),
      child_(job, "\"" + harness::BinPath("Logger32Vexal.exe") + "\"", show) {}

HWND BridgeUnderTest::WaitShown(harness::Millis timeout) {
  window_ = harness::WaitForTopWindow("Logger32-Vexal", timeout, child_.pid());
  shown_after_s_ = harness::SecondsSince(start_);
  return window_;
}

std::string BridgeUnderTest::Text(int id) const {
  HWND widget = GetDlgItem(window_, id);
  return widget ? harness::WindowText(widget) : "<no widget>";
}

Picture CaptureWindow(HWND hwnd) {
  Picture picture;
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return picture;
  int w = r.right - r.left, h = r.bottom - r.top;
  // The window's own DC: under Wine the screen DC does not show other processes' windows.
  HDC screen = GetWindowDC(hwnd);
  winui::MemoryDc memory_dc(screen);
  HDC memory = memory_dc.get();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  winui::GdiObject<HBITMAP> dib(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (memory && dib.get() && bits) {
    winui::SelectedObject selected(memory, dib.get());
    if (BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY)) {
      GdiFlush();
      picture.width = w;
      picture.height = h;
      const auto* p = static_cast<const uint32_t*>(bits);
      picture.pixels.assign(p, p + static_cast<size_t>(w) * h);
      for (uint32_t& px : picture.pixels) px &= 0x00FFFFFF;
    }
  }
  ReleaseDC(hwnd, screen);
  return picture;
}

bool SaveBmp(const Picture& picture, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = picture.width;
  header.biHeight = -picture.height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  DWORD data_size = static_cast<DWORD>(picture.pixels.size() * 4);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + data_size;
  bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 &&
            std::fwrite(&header, sizeof header, 1, f) == 1 &&
            std::fwrite(picture.pixels.data(), 1, data_size, f) == data_size;
  return std::fclose(f) == 0 && ok;
}

void ShownBridgeTest::SetUp() {
  harness::DeleteVexalKey();
  bridge_ = std::make_unique<BridgeUnderTest>(job_);
  window_ = bridge_->WaitShown(std::chrono::seconds(30));
  ASSERT_NE(window_, nullptr);
}

}  // namespace logger_test
