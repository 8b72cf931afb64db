#include "rotserver/win/main_window_win.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "rotserver/core/rose_geometry.h"
#include "rotserver/core/status_text.h"
#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/rose_paint_win.h"
#include "rotserver/win/settings_dialog_win.h"
#include "rotserver/win/settings_store_win.h"
#include "winui/window_state_win.h"

namespace rotserver {

namespace {

constexpr char kClassName[] = "RotServerWindow";
// Design units at 96 dpi.
constexpr int kWidth96 = 280, kHeight96 = 340;
constexpr int kMinWidth96 = 200, kMinHeight96 = 240;
constexpr int kMargin96 = 8, kRow96 = 18, kButtonWidth96 = 64, kButtonHeight96 = 24;
constexpr int kFontHeight96 = 12;
constexpr COLORREF kStaleTextColour = RGB(176, 0, 0);

int Scale(int value, int dpi) {
  return MulDiv(value, dpi, 96);
}

int SystemDpi() {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

// Looked up at run time: the program still starts where user32 lacks it.
int WindowDpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (get_dpi)
    if (UINT dpi = get_dpi(hwnd)) return static_cast<int>(dpi);
  return SystemDpi();
}

bool RoseDiffers(const ViewState& a, const ViewState& b) {
  return a.azimuth != b.azimuth || a.stale != b.stale || a.target != b.target ||
         a.direction != b.direction || a.min_az != b.min_az || a.max_az != b.max_az ||
         a.offset_deg != b.offset_deg;
}

constexpr UINT_PTR kStopSubclassId = 1;

// Esc on the focused Stop button stops too.
LRESULT CALLBACK StopButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_KEYDOWN && wp == VK_ESCAPE) {
    SendMessageA(GetParent(hwnd), WM_KEYDOWN, wp, lp);
    return 0;
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, StopButtonProc, kStopSubclassId);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

class MainWindowImpl final : public MainWindow {
 public:
  MainWindowImpl(HINSTANCE instance, int show, WindowActions actions);
  ~MainWindowImpl() override;

  HWND hwnd() const override { return hwnd_; }
  void Show(const ViewState& state) override;
  void OpenSettings(const Settings& current) override;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  void OnCreate();
  void OnPaint();
  void OnPrintClient(HDC dc);
  void OnSize();
  void OnLeftButtonDown(LPARAM lp);
  void OnKeyDown(WPARAM key);
  void OnCommand(WPARAM wp);
  void OnDpiChanged(int dpi, const RECT* suggested);
  void OnMinMaxInfo(MINMAXINFO* info) const;
  void OnClose();
  LRESULT OnCtlColorStatic(HDC dc, HWND control);

  void Layout();
  void ApplyFont();
  void PaintClient(HDC dc, const RECT& client);
  void SetTextIfChanged(int id, const std::string& text);
  HWND Child(int id) const { return GetDlgItem(hwnd_, id); }

  HWND hwnd_ = nullptr;
  WindowActions actions_;
  int dpi_ = 96;
  GdiObject<HFONT> font_;
  RECT rose_area_{};
  ViewState state_;
};

MainWindowImpl::MainWindowImpl(HINSTANCE instance, int show, WindowActions actions)
    : actions_(std::move(actions)), dpi_(SystemDpi()) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance, kClassName, &wc)) {
    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc)) throw std::runtime_error("RegisterClass RotServerWindow failed");
  }
  HMENU menu = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kIdMenuSettings, "&Settings...");
  AppendMenuA(file, MF_STRING, kIdMenuOfferProgram, "&Let Logger32-Vexal start this RotServer");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, kIdMenuExit, "E&xit");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  CreateWindowExA(0, kClassName, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                  CW_USEDEFAULT, CW_USEDEFAULT, Scale(kWidth96, dpi_), Scale(kHeight96, dpi_),
                  nullptr, menu, instance, this);
  if (!hwnd_) {
    DestroyMenu(menu);
    throw std::runtime_error("CreateWindow RotServerWindow failed: " +
                             std::to_string(GetLastError()));
  }
  // Per monitor, the window's monitor may have another setting than the system's.
  if (int dpi = WindowDpi(hwnd_); dpi != dpi_) {
    dpi_ = dpi;
    ApplyFont();
    SetWindowPos(hwnd_, nullptr, 0, 0, Scale(kWidth96, dpi_), Scale(kHeight96, dpi_),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Show(state_);
  ShowWindow(hwnd_, show);
}

MainWindowImpl::~MainWindowImpl() {
  if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY detaches this object
}

LRESULT CALLBACK MainWindowImpl::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = winui::WindowState<MainWindowImpl>(hwnd, msg, lp);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->hwnd_ = hwnd;
  if (msg == WM_NCDESTROY) {
    self->hwnd_ = nullptr;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return CallGuarded("error in the window", LRESULT{0},
                     [&] { return self->HandleMessage(msg, wp, lp); });
}

LRESULT MainWindowImpl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;  // the paint covers everything
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      OnPrintClient(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(lp);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(wp);
      return 0;
    case WM_COMMAND:
      OnCommand(wp);
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_GETMINMAXINFO:
      OnMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lp));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void MainWindowImpl::OnCreate() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const DWORD text_style = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX;
  for (int id : {kIdHeading, kIdStaleText, kIdStatusLine})
    CreateWindowExA(0, "STATIC", "", text_style, 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  HWND stop = CreateWindowExA(
      0, "BUTTON", "Stop", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStopButton)), instance, nullptr);
  SetWindowSubclass(stop, StopButtonProc, kStopSubclassId, 0);
  ApplyFont();
}

void MainWindowImpl::ApplyFont() {
  font_.Reset(CreateFontA(-Scale(kFontHeight96, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_SWISS, "Tahoma"));
  for (int id : {kIdHeading, kIdStaleText, kIdStatusLine, kIdStopButton})
    SendMessageA(Child(id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

void MainWindowImpl::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int m = Scale(kMargin96, dpi_), row = Scale(kRow96, dpi_);
  const int bw = Scale(kButtonWidth96, dpi_), bh = Scale(kButtonHeight96, dpi_);
  const int w = client.right, h = client.bottom;
  // Top down: the headings, the rose, the stale words beside the Stop button, the status line
  // across the whole width (it is the longest text).
  const int status_top = h - m - row;
  const int button_top = status_top - m / 2 - bh;
  MoveWindow(Child(kIdHeading), m, m, w - 2 * m, row, TRUE);
  MoveWindow(Child(kIdStaleText), m, button_top + (bh - row) / 2, w - 3 * m - bw, row, TRUE);
  MoveWindow(Child(kIdStopButton), w - m - bw, button_top, bw, bh, TRUE);
  MoveWindow(Child(kIdStatusLine), m, status_top, w - 2 * m, row, TRUE);
  rose_area_ = {m, m + row, w - m, button_top - m / 2};
  if (rose_area_.right < rose_area_.left) rose_area_.right = rose_area_.left;
  if (rose_area_.bottom < rose_area_.top) rose_area_.bottom = rose_area_.top;
}

void MainWindowImpl::OnSize() {
  if (IsIconic(hwnd_)) return;  // laid out again when restored
  Layout();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void MainWindowImpl::PaintClient(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  PaintRose(dc, rose_area_, state_, dpi_, font_.get());
}

void MainWindowImpl::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT client;
  GetClientRect(hwnd_, &client);
  // Drawn off screen first, so that a turning needle does not flicker.
  MemoryDc buffer(dc);
  GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
  if (buffer.get() && bitmap.get()) {
    SelectedObject selected(buffer.get(), bitmap.get());
    PaintClient(buffer.get(), client);
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
  } else {
    PaintClient(dc, client);
  }
  EndPaint(hwnd_, &ps);
}

void MainWindowImpl::OnPrintClient(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  PaintClient(dc, client);
}

void MainWindowImpl::OnLeftButtonDown(LPARAM lp) {
  SetFocus(hwnd_);  // so that Esc reaches the window after a click
  const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
  std::optional<int> compass = CompassAt(RoseIn(rose_area_, dpi_), x, y);
  if (compass && actions_.turn_to) actions_.turn_to(*compass);
}

void MainWindowImpl::OnKeyDown(WPARAM key) {
  if (key == VK_ESCAPE && actions_.stop) actions_.stop();
}

void MainWindowImpl::OnCommand(WPARAM wp) {
  switch (LOWORD(wp)) {
    case kIdStopButton:
      if (HIWORD(wp) == BN_CLICKED && actions_.stop) actions_.stop();
      break;
    case IDCANCEL:  // Esc, where the message loop passes keys through IsDialogMessage
      if (actions_.stop) actions_.stop();
      break;
    case kIdMenuSettings:
      OpenSettings(LoadSettings().value_or(Settings{}));
      break;
    case kIdMenuExit:
      OnClose();
      break;
    case kIdMenuOfferProgram:
      if (actions_.offer_program) actions_.offer_program();
      break;
  }
}

void MainWindowImpl::OnDpiChanged(int dpi, const RECT* suggested) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  ApplyFont();
  if (suggested)
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void MainWindowImpl::OnMinMaxInfo(MINMAXINFO* info) const {
  info->ptMinTrackSize.x = Scale(kMinWidth96, dpi_);
  info->ptMinTrackSize.y = Scale(kMinHeight96, dpi_);
}

void MainWindowImpl::OnClose() {
  if (actions_.closed)
    actions_.closed();
  else
    DestroyWindow(hwnd_);
}

LRESULT MainWindowImpl::OnCtlColorStatic(HDC dc, HWND control) {
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  SetTextColor(dc,
               control == Child(kIdStaleText) ? kStaleTextColour : GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

void MainWindowImpl::SetTextIfChanged(int id, const std::string& text) {
  HWND control = Child(id);
  std::string current(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  current.resize(static_cast<size_t>(
      GetWindowTextA(control, current.data(), static_cast<int>(current.size()))));
  if (text != current) SetWindowTextA(control, text.c_str());
}

void MainWindowImpl::Show(const ViewState& state) {
  if (!hwnd_) return;
  const bool rose_changed = RoseDiffers(state_, state);
  state_ = state;
  SetTextIfChanged(kIdHeading, HeadingText(state));
  SetTextIfChanged(kIdStaleText, StaleText(state));
  SetTextIfChanged(kIdStatusLine, StatusLine(state));
  if (rose_changed) InvalidateRect(hwnd_, &rose_area_, FALSE);
}

void MainWindowImpl::OpenSettings(const Settings& current) {
  if (std::optional<Settings> chosen = RunSettingsDialog(hwnd_, current))
    if (actions_.apply_settings) actions_.apply_settings(*chosen);
}

}  // namespace

std::unique_ptr<MainWindow> CreateMainWindow(HINSTANCE instance, int show, WindowActions actions) {
  return std::make_unique<MainWindowImpl>(instance, show, std::move(actions));
}

}  // namespace rotserver
