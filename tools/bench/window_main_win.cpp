// The smallest window program of the bridge's size: a registered class, one shown top-level
// window and a message loop. Its start-up time and memory are what the platform costs.
// With --widgets it also carries the bridge's eleven widgets with their places, texts and
// fonts, as plain system controls: the platform's cost of that layout.
//
// With --pause MS it blocks that long after building the window and before showing it, as the
// bridge does when Logger32 is missing.
//
// bench-window [--widgets] [--pause MS] [TITLE]
//   (default title "Bench Window", with --widgets "Bench Widgets")
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

// Places at 96 dpi inside the window's 20-pixel margin, as the bridge's layout has them.
constexpr int kMargin = 20;

enum class Kind { kLabel, kPanel, kEdit };
enum class Font { kDefault, kStatus, kAzimuth };

struct Widget {
  Kind kind;
  int left, top, width, height;
  const char* text;
  Font font;
  bool window_colour;  // labels 1 to 4 and the edit boxes have the system window colour
  bool enabled;
};

constexpr Widget kWidgets[] = {
    {Kind::kLabel, 8, 0, 48, 16, "Label6", Font::kStatus, false, true},
    {Kind::kPanel, 8, 32, 57, 25, "<<", Font::kDefault, false, true},
    {Kind::kPanel, 88, 32, 57, 25, ">>", Font::kDefault, false, true},
    {Kind::kLabel, 1, 75, 47, 13, "Azimut ist ", Font::kDefault, true, true},
    {Kind::kEdit, 58, 68, 46, 25, "0", Font::kAzimuth, true, false},
    {Kind::kLabel, 118, 75, 23, 13, "Grad", Font::kDefault, true, true},
    {Kind::kLabel, 1, 119, 52, 13, "Azimut soll:", Font::kDefault, true, true},
    {Kind::kEdit, 58, 112, 46, 25, "", Font::kAzimuth, true, true},
    {Kind::kLabel, 118, 119, 23, 13, "Grad", Font::kDefault, true, true},
    {Kind::kLabel, 0, 152, 32, 13, "Label7", Font::kDefault, false, true},
    {Kind::kLabel, 80, 152, 32, 13, "Label5", Font::kDefault, false, true},
};

HBRUSH g_blue = nullptr;
HFONT g_fonts[3] = {};

HFONT MakeFont(const char* face, int height, bool bold, BYTE charset) {
  return CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, charset,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

void CreateWidgets(HWND parent) {
  g_fonts[0] = MakeFont("MS Sans Serif", 10, false, DEFAULT_CHARSET);
  g_fonts[1] = MakeFont("MS Sans Serif", 15, true, DEFAULT_CHARSET);
  g_fonts[2] = MakeFont("Courier New", 15, true, ANSI_CHARSET);
  for (const Widget& w : kWidgets) {
    const char* cls = w.kind == Kind::kEdit ? "EDIT" : "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | (w.enabled ? 0 : WS_DISABLED);
    DWORD ex_style = 0;
    if (w.kind == Kind::kPanel) {
      style |= SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY;
      ex_style = WS_EX_DLGMODALFRAME;
    } else if (w.kind == Kind::kEdit) {
      style |= ES_LEFT | ES_AUTOHSCROLL | (w.enabled ? WS_TABSTOP : 0);
      ex_style = WS_EX_CLIENTEDGE;
    }
    HWND child = CreateWindowExA(ex_style, cls, w.text, style, kMargin + w.left, kMargin + w.top,
                                 w.width, w.height, parent, nullptr, nullptr, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_fonts[static_cast<int>(w.font)]),
                 FALSE);
    if (w.kind == Kind::kEdit && w.enabled) SendMessageA(child, EM_LIMITTEXT, 3, 0);
  }
}

// Labels on the window's blue show blue (the status label in yellow), the others the system
// window colour; panels keep the button face.
LRESULT ColorLabel(HDC dc, HWND child) {
  char text[16] = "";
  GetWindowTextA(child, text, sizeof text);
  if (std::strcmp(text, "<<") == 0 || std::strcmp(text, ">>") == 0) return 0;
  bool on_blue = std::strncmp(text, "Label", 5) == 0;
  if (!on_blue) return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
  SetBkColor(dc, RGB(0, 0, 255));
  SetTextColor(dc, std::strcmp(text, "Label6") == 0 ? RGB(255, 255, 0) : GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<LRESULT>(g_blue);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    LRESULT brush = ColorLabel(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
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
  g_blue = CreateSolidBrush(RGB(0, 0, 255));
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = widgets ? g_blue : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BenchWindow";
  if (!RegisterClassA(&wc)) return 1;
  HWND hwnd =
      CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, 212, 236, nullptr, nullptr, instance, nullptr);
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
