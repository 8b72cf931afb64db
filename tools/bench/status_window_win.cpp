#include "status_window_win.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "winui/window_state_win.h"

namespace bench {

namespace {

constexpr char kClass[] = "BenchStatusWindow";

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, DWORD ex_style, int x,
           int y, int w, int h) {
  return CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

HFONT MakeFont(const char* face, int height, bool bold, BYTE charset) {
  return CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, charset,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace

StatusWindow::StatusWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);
  window_ = CreateWindowExA(WS_EX_TOPMOST, kClass, "Bench Status", WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, CW_USEDEFAULT, 212, 236, nullptr, nullptr,
                            wc.hInstance, this);
  if (!window_) throw std::runtime_error("cannot create the status window");
  left_ = Child(window_, "STATIC", "<<", SS_CENTER, 0, 28, 52, 57, 25);
  right_ = Child(window_, "STATIC", ">>", SS_CENTER, 0, 108, 52, 57, 25);
  edit_ = Child(window_, "EDIT", "0", ES_LEFT | WS_DISABLED, WS_EX_CLIENTEDGE, 78, 88, 46, 25);
  panel_font_ = MakeFont("MS Sans Serif", 10, false, DEFAULT_CHARSET);
  edit_font_ = MakeFont("Courier New", 15, true, ANSI_CHARSET);
  for (HWND panel : {left_, right_})
    SendMessageA(panel, WM_SETFONT, reinterpret_cast<WPARAM>(panel_font_), FALSE);
  SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(edit_font_), FALSE);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  UpdateWindow(window_);
}

StatusWindow::~StatusWindow() {
  DestroyWindow(window_);
  DeleteObject(panel_font_);
  DeleteObject(edit_font_);
  DeleteObject(red_);
  DeleteObject(lime_);
}

void StatusWindow::Show(const char* text, size_t size) {
  std::string macro(text, strnlen(text, size));
  size_t second = macro.find('\n');
  size_t third = second == std::string::npos ? second : macro.find('\n', second + 1);
  long tenths = std::strtol(macro.c_str(), nullptr, 10);
  long direction = third == std::string::npos ? 0 : std::strtol(macro.c_str() + third + 1, nullptr, 10);
  SetWindowTextA(edit_, std::to_string((tenths + (tenths < 0 ? -5 : 5)) / 10).c_str());
  turning_right_ = direction == 1;
  InvalidateRect(left_, nullptr, TRUE);
  InvalidateRect(right_, nullptr, TRUE);
}

LRESULT StatusWindow::OnColor(HDC dc, HWND child) {
  bool lime = child == (turning_right_ ? right_ : left_);
  SetBkColor(dc, lime ? RGB(0, 255, 0) : RGB(255, 0, 0));
  return reinterpret_cast<LRESULT>(lime ? lime_ : red_);
}

LRESULT CALLBACK StatusWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = winui::WindowState<StatusWindow>(hwnd, msg, lp);
  if (msg == WM_CTLCOLORSTATIC && self && reinterpret_cast<HWND>(lp) != self->edit_)
    return self->OnColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace bench
