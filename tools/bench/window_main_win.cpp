// The smallest window program of the bridge's size: a registered class, one shown top-level
// window and a message loop. Its start-up time and memory are what the platform costs.
// With --widgets it also carries the bridge's widgets with their places, texts and fonts, taken
// from the bridge's layout table, as plain system controls: the platform's cost of that layout.
//
// With --pause MS it blocks that long after building the window and before showing it, as the
// bridge does when Logger32 is missing.
//
// bench-window [--widgets] [--pause MS] [TITLE]
//   (default title "Bench Window", with --widgets "Bench Widgets")
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "bridge/window/layout.h"
#include "bridge/window/window_base_win.h"

namespace {

using vexal::kForm6Layout;
using vexal::WidgetKind;
using vexal::WidgetLayout;

HBRUSH g_form_brush = nullptr;

// The bridge's widgets from its layout table, at 96 dpi, as plain system controls.
void CreateWidgets(HWND parent) {
  const int margin = kForm6Layout.border_width96;
  for (const WidgetLayout& w : vexal::AllWidgetLayouts()) {
    const char* cls = w.kind == WidgetKind::Edit ? "EDIT" : "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | (w.enabled ? 0 : WS_DISABLED);
    DWORD ex_style = 0;
    if (w.kind == WidgetKind::Panel) {
      style |= SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY;
      ex_style = WS_EX_DLGMODALFRAME;
    } else if (w.kind == WidgetKind::Edit) {
      style |= ES_LEFT | ES_AUTOHSCROLL | (w.enabled ? WS_TABSTOP : 0);
      ex_style = WS_EX_CLIENTEDGE;
    }
    HWND child = CreateWindowExA(
        ex_style, cls, w.text, style, margin + w.left96, margin + w.top96, w.width96, w.height96,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(w.id)), nullptr, nullptr);
    // One font per widget, as the bridge's widgets hold theirs; they live as long as the program.
    HFONT font = vexal::CreateFontFor(*w.font, vexal::kDesignDpi);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (w.max_length) SendMessageA(child, EM_LIMITTEXT, w.max_length, 0);
  }
}

// Labels and the read-only edit box in their table colours, on the window's blue where the
// table says they take it from the window; panels keep the button face.
LRESULT ColorStatic(HDC dc, HWND child) {
  const int id = GetDlgCtrlID(child);
  for (const WidgetLayout& w : vexal::AllWidgetLayouts()) {
    if (w.id != id || w.kind == WidgetKind::Panel) continue;
    const bool on_form = w.color == vexal::kParentColor;
    SetBkColor(dc, vexal::ToColorRef(on_form ? kForm6Layout.color : w.color));
    SetTextColor(dc, vexal::ToColorRef(w.font->color));
    return reinterpret_cast<LRESULT>(on_form ? g_form_brush
                                             : GetSysColorBrush(static_cast<int>(w.color & 0xFF)));
  }
  return 0;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    LRESULT brush = ColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    if (brush) return brush;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdline, int show) {
  const char* args = cmdline ? cmdline : "";
  bool widgets = false;
  DWORD pause_ms = 0;
  for (;;) {
    while (*args == ' ') ++args;
    if (std::strncmp(args, "--widgets", 9) == 0 && (args[9] == ' ' || !args[9])) {
      widgets = true;
      args += 9;
    } else if (std::strncmp(args, "--pause ", 8) == 0) {
      char* end = nullptr;
      pause_ms = std::strtoul(args + 8, &end, 10);
      args = end;
    } else {
      break;
    }
  }
  const char* title = *args ? args : widgets ? "Bench Widgets" : "Bench Window";
  g_form_brush = CreateSolidBrush(vexal::ToColorRef(kForm6Layout.color));
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = widgets ? g_form_brush : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BenchWindow";
  if (!RegisterClassA(&wc)) return 1;
  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, kForm6Layout.width96,
                              kForm6Layout.height96, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  if (widgets) CreateWidgets(hwnd);
  if (pause_ms) Sleep(pause_ms);
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
