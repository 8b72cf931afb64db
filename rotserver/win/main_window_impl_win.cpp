#include "rotserver/win/main_window_impl_win.h"

#include <commctrl.h>

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

#include "rotserver/core/heading_text.h"
#include "rotserver/core/operator_status.h"
#include "rotserver/core/rose_geometry.h"
#include "rotserver/core/rotctld_command.h"
#include "rotserver/core/window_layout.h"
#include "rotserver/win/about_dialog_win.h"
#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/main_window_parts_win.h"
#include "rotserver/win/map_paint_win.h"
#include "rotserver/win/machine_survey_win.h"
#include "rotserver/win/rose_paint_win.h"
#include "rotserver/win/settings_dialog_win.h"
#include "rotserver/win/settings_store_win.h"
#include "rotserver/win/station_dialog_win.h"
#include "rotserver/win/window_habits_win.h"
#include "winui/dpi_win.h"
#include "winui/window_state_win.h"

namespace rotserver {

namespace {

constexpr char kClassName[] = "RotServerWindow";
constexpr COLORREF kWarningTextColour = RGB(176, 0, 0);
constexpr COLORREF kMarkColours[] = {RGB(0, 160, 64), RGB(232, 160, 0), RGB(224, 32, 32)};

using winui::Scale;
using winui::WindowDpi;

bool RoseDiffers(const ViewState& a, const ViewState& b) {
  return a.azimuth != b.azimuth || a.stale != b.stale || a.target != b.target ||
         a.direction != b.direction || a.min_az != b.min_az || a.max_az != b.max_az ||
         a.offset_deg != b.offset_deg || a.simulated != b.simulated;
}

HFONT MakeFont(int height, int weight) {
  return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, "Tahoma");
}

HMENU BuildMenu() {
  HMENU menu = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kIdMenuSettings, "&Settings...");
  AppendMenuA(file, MF_STRING, kIdMenuStation, "Station and &presets...");
  AppendMenuA(file, MF_STRING, kIdMenuStayOnTop, "Stay on &top");
  AppendMenuA(file, MF_STRING, kIdMenuOfferProgram, "&Let Logger32-Vexal start this RotServer");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, kIdMenuExit, "E&xit");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, kIdMenuAbout, "&About RotServer...");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
  return menu;
}

}  // namespace

MainWindowImpl::MainWindowImpl(HINSTANCE instance, int show, WindowActions actions)
    : actions_(std::move(actions)), dpi_(winui::ScreenDpi()) {
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
  HMENU menu = BuildMenu();
  CreateWindowExA(0, kClassName, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                  CW_USEDEFAULT, CW_USEDEFAULT, Scale(kLayoutWidth96, dpi_),
                  Scale(kLayoutHeight96, dpi_), nullptr, menu, instance, this);
  if (!hwnd_) {
    DestroyMenu(menu);
    throw std::runtime_error("CreateWindow RotServerWindow failed: " +
                             std::to_string(GetLastError()));
  }
  // Per monitor, the window's monitor may have another setting than the system's.
  if (int dpi = WindowDpi(hwnd_); dpi != dpi_) {
    dpi_ = dpi;
    SetWindowPos(hwnd_, nullptr, 0, 0, Scale(kLayoutWidth96, dpi_), Scale(kLayoutHeight96, dpi_),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const Settings stored = LoadUsableSettings();
  RestorePlacement(hwnd_, stored);
  UseSettings(stored);
  Show(state_);
  ShowWindow(hwnd_, show);
}

MainWindowImpl::~MainWindowImpl() {
  if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY detaches this object
}

LRESULT CALLBACK MainWindowImpl::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return winui::OwnerWindowProc(
      hwnd, msg, wp, lp, &MainWindowImpl::hwnd_, [&](MainWindowImpl& self) {
        return CallGuarded("error in the window", LRESULT{0},
                           [&] { return self.HandleMessage(msg, wp, lp); });
      });
}

LRESULT MainWindowImpl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (LRESULT result; HandleInput(msg, wp, lp, &result)) return result;
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;  // the paint covers everything
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(hwnd_, &client);
      PaintClient(reinterpret_cast<HDC>(wp), client);
      return 0;
    }
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_EXITSIZEMOVE:
      StorePlacement(hwnd_, settings_.stay_on_top);
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:  // high contrast on or off
      map_.Forget();
      InvalidateRect(hwnd_, nullptr, TRUE);
      break;
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
  CreateChildren(hwnd_);
  Layout();
}

void MainWindowImpl::ApplyFonts() {
  font_.Reset(MakeFont(layout_.text_font, FW_NORMAL));
  heading_font_.Reset(MakeFont(layout_.heading_font, FW_BOLD));
  target_font_.Reset(MakeFont(layout_.target_font, FW_NORMAL));
  SetChildFonts(hwnd_, font_.get(), heading_font_.get(), target_font_.get());
}

void MainWindowImpl::UseSettings(const Settings& settings) {
  settings_ = settings;
  status_context_.port = PortOf(settings.rotctld_device, settings.rotctld_command);
  status_context_.supervised = settings.backend == BackendKind::kRotctld &&
                               (UsesBuiltCommand(settings) || !settings.rotctld_command.empty());
  map_.SetStation(settings.station.empty() ? std::nullopt
                                           : ParseStation(settings.station, nullptr));
  for (int i = 0; i < kPresetCount; ++i) {
    const Preset& preset = settings.presets[static_cast<size_t>(i)];
    SetChildText(hwnd_, kIdPreset1 + i, preset.label + " " + BearingWords(preset.bearing_deg));
  }
  KeepOnTop(hwnd_, settings.stay_on_top);
  InvalidateRect(hwnd_, &rose_area_, FALSE);
}

void MainWindowImpl::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const WindowLayout was = layout_;
  layout_ = LayOut(client.right, client.bottom, dpi_);
  // The heading and target grow with the window.
  if (layout_.heading_font != was.heading_font || layout_.target_font != was.target_font ||
      layout_.text_font != was.text_font)
    ApplyFonts();
  PlaceChildren(hwnd_, layout_);
  rose_area_ = {layout_.rose.left, layout_.rose.top, layout_.rose.right, layout_.rose.bottom};
}

void MainWindowImpl::OnSize() {
  if (IsIconic(hwnd_)) return;  // laid out again when restored
  Layout();
  // Everything, children included: a static whose text wraps anew paints only what it gained.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindowImpl::PaintClient(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  PaintRose(dc, rose_area_, state_, dpi_, font_.get(), &map_);
  const Box& m = layout_.mark;
  GdiObject<HBRUSH> brush(CreateSolidBrush(kMarkColours[static_cast<int>(StatusMark(state_))]));
  SelectedObject b(dc, brush.get());
  SelectedObject p(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, m.left, m.top, m.right + 1, m.bottom + 1);
}

void MainWindowImpl::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT client;
  GetClientRect(hwnd_, &client);
  // Drawn off screen first, so that a turning needle does not flicker.
  if (HDC buffer = back_buffer_.Prepare(dc, client.right, client.bottom)) {
    PaintClient(buffer, client);
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
  } else {
    PaintClient(dc, client);
  }
  EndPaint(hwnd_, &ps);
}

Rose MainWindowImpl::RoseNow() const {
  return RoseIn(rose_area_, dpi_);
}

void MainWindowImpl::OnCommand(WPARAM wp) {
  const int id = LOWORD(wp);
  if (id >= kIdPreset1 && id < kIdPreset1 + kPresetCount) {
    if (HIWORD(wp) == BN_CLICKED) OnPreset(id - kIdPreset1);
    return;
  }
  switch (id) {
    case kIdStopButton:
      if (HIWORD(wp) == BN_CLICKED) Stop();
      break;
    case kIdGo:
      if (HIWORD(wp) == BN_CLICKED) TurnToEntry();
      break;
    case kIdLongPath:
      if (HIWORD(wp) == BN_CLICKED) LongPath();
      break;
    case IDCANCEL:  // Esc, where the message loop passes keys through IsDialogMessage
      Stop();
      break;
    case kIdMenuSettings: {
      std::optional<LoadedSettings> stored = LoadSettings();
      OpenSettings(stored ? stored->settings : LoadUsableSettings(),
                   stored && !stored->problems.empty() ? &stored->problems.front() : nullptr);
      break;
    }
    case kIdMenuStation: {
      std::optional<LoadedSettings> stored = LoadSettings();
      if (std::optional<Settings> chosen =
              RunStationDialog(hwnd_, stored ? stored->settings : settings_))
        UseSettings(*chosen);
      break;
    }
    case kIdMenuStayOnTop:
      settings_.stay_on_top = !settings_.stay_on_top;
      KeepOnTop(hwnd_, settings_.stay_on_top);
      StorePlacement(hwnd_, settings_.stay_on_top);
      break;
    case kIdMenuExit:
      OnClose();
      break;
    case kIdMenuOfferProgram:
      if (actions_.offer_program) actions_.offer_program();
      break;
    case kIdMenuAbout:
      RunAboutDialog(hwnd_, settings_);
      break;
    case kIdDetails:
      if (HIWORD(wp) == BN_CLICKED) RunDetailsDialog(hwnd_, ChildText(hwnd_, kIdStatusDetails));
      break;
  }
}

void MainWindowImpl::OnDpiChanged(int dpi, const RECT* suggested) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  if (suggested)
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void MainWindowImpl::OnMinMaxInfo(MINMAXINFO* info) const {
  info->ptMinTrackSize.x = Scale(kLayoutMinWidth96, dpi_);
  info->ptMinTrackSize.y = Scale(kLayoutMinHeight96, dpi_);
}

void MainWindowImpl::OnClose() {
  if (!ConfirmClose(hwnd_, state_.bridge_linked)) return;
  StorePlacement(hwnd_, settings_.stay_on_top);
  if (actions_.closed)
    actions_.closed();
  else
    DestroyWindow(hwnd_);
}

LRESULT MainWindowImpl::OnCtlColorStatic(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  const bool warning = (id == kIdActivity && (state_.stale || !state_.azimuth)) ||
                       (id == kIdPointer && warning_shown_);
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  SetTextColor(dc, warning && !HighContrast() ? kWarningTextColour : GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

void MainWindowImpl::Show(const ViewState& state) {
  if (!hwnd_) return;
  const bool rose_changed = RoseDiffers(state_, state);
  const bool mark_changed = StatusMark(state_) != StatusMark(state);
  choice_.SawTarget(state.target);
  state_ = state;
  SetChildText(hwnd_, kIdHeading, HeadingDegrees(state));
  SetChildText(hwnd_, kIdTarget, TargetWords(state));
  // The elevation and who asked for the target go on the full-width line below: the target's
  // own box is narrow. The elevation leads, where the eye falls from the heading.
  std::string activity = ActivityWords(state);
  if (state.elevation) activity = ElevationWords(state) + ", " + activity;
  if (state.target && !state.target_from.empty()) activity += ", target from " + state.target_from;
  SetChildText(hwnd_, kIdActivity, activity);
  std::string programs;
  for (const std::string& name : state.programs) programs += (programs.empty() ? "" : ", ") + name;
  SetChildText(hwnd_, kIdBridgeLine,
               programs.empty() ? BridgeWords(state) : BridgeWords(state) + "; also " + programs);
  if (WantsPortListing(state, status_context_))
    status_context_.listing = ListingOf(status_context_.port, SerialPorts());
  SetChildText(hwnd_, kIdStatusLine, OperatorStatus(state, status_context_));
  SetChildText(hwnd_, kIdStatusDetails, StatusDetails(state));
  if (rose_changed) InvalidateRect(hwnd_, &rose_area_, FALSE);
  if (mark_changed) {
    const RECT mark{layout_.mark.left, layout_.mark.top, layout_.mark.right + 1,
                    layout_.mark.bottom + 1};
    InvalidateRect(hwnd_, &mark, FALSE);
  }
}

void MainWindowImpl::OpenSettings(const Settings& current, const SettingsProblem* mark) {
  if (std::optional<Settings> chosen = RunSettingsDialog(hwnd_, current, mark)) {
    UseSettings(*chosen);
    if (actions_.apply_settings) actions_.apply_settings(*chosen);
  }
}

std::unique_ptr<MainWindow> CreateMainWindow(HINSTANCE instance, int show, WindowActions actions) {
  return std::make_unique<MainWindowImpl>(instance, show, std::move(actions));
}

}  // namespace rotserver
