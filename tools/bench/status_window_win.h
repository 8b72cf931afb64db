// The least a window can do to show a status macro: one edit box for the azimuth and two panels
// coloured by the direction, in a visible top-level window. bench-dde-server --show 1 updates it
// on every execute, which makes it the platform's limit for a turning rotator.
#pragma once

#include <windows.h>

#include <string>

namespace bench {

class StatusWindow {
 public:
  StatusWindow();
  ~StatusWindow();
  StatusWindow(const StatusWindow&) = delete;
  StatusWindow& operator=(const StatusWindow&) = delete;

  // Line 1 (azimuth in tenths of a degree) goes into the edit box in whole degrees; line 3
  // (direction: -1 left, 1 right) colours the panels lime on that side and red on the other.
  void Show(const char* text, size_t size);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnColor(HDC dc, HWND child);

  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  HWND left_ = nullptr;
  HWND right_ = nullptr;
  // The bridge's fonts: its panels' and its azimuth box's.
  HFONT panel_font_ = nullptr;
  HFONT edit_font_ = nullptr;
  HBRUSH red_ = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH lime_ = CreateSolidBrush(RGB(0, 255, 0));
  bool turning_right_ = false;
};

}  // namespace bench
