#include "bridge/window/window_base_win.h"

#include <stdexcept>

#include "bridge/base/error_report_win.h"
#include "bridge/base/error_texts.h"
#include "bridge/base/windows_error_win.h"
#include "winui/window_state_win.h"

namespace vexal {

Placement PlacementOf(const WidgetLayout& layout, int dpi, int origin) {
  return {origin + Scale(layout.left96, dpi), origin + Scale(layout.top96, dpi),
          Scale(layout.width96, dpi), Scale(layout.height96, dpi)};
}

void MoveTo(HWND hwnd, const Placement& place) {
  SetWindowPos(hwnd, nullptr, place.x, place.y, place.width, place.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string GetText(HWND hwnd) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

WindowBase::~WindowBase() {
  Destroy();
}

void WindowBase::RegisterClassOnce(const char* class_name, UINT style) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof(existing);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (GetClassInfoExA(instance, class_name, &existing)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = style;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.lpszClassName = class_name;
  if (!RegisterClassExA(&wc))
    throw std::runtime_error(
        error_text::ClassNotRegistered(class_name, FormatWindowsError(GetLastError())));
}

void WindowBase::Create(DWORD ex_style, const char* class_name, const char* text, DWORD style,
                        int x, int y, int w, int h, HWND parent, int id) {
  HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
  CreateWindowExA(ex_style, class_name, text, style, x, y, w, h, parent, menu,
                  GetModuleHandleA(nullptr), this);
  if (!hwnd_)
    throw std::runtime_error(
        error_text::WindowNotCreated(class_name, FormatWindowsError(GetLastError())));
}

void WindowBase::Destroy() {
  if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

LRESULT WindowBase::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK WindowBase::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return winui::OwnerWindowProc(hwnd, msg, wp, lp, &WindowBase::hwnd_, [&](WindowBase& self) {
    return CallGuarded<LRESULT>([&] { return self.HandleMessage(msg, wp, lp); }, 0);
  });
}

void PaintedWindow::PaintNow() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  RECT client;
  GetClientRect(Handle(), &client);
  Paint(dc, client);
  EndPaint(Handle(), &ps);
}

LRESULT PaintedWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
      PaintNow();
      return 0;
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(Handle(), &client);
      Paint(reinterpret_cast<HDC>(wp), client);
      return 0;
    }
  }
  return WindowBase::HandleMessage(msg, wp, lp);
}

}  // namespace vexal
