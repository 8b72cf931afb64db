// RotServer's window, its mouse and keyboard half: clicks and the pointer over the map or rose,
// the bearing entry, LP, the nudge keys, Esc and the presets, and the turns they ask for.
// The buttons act on their first click; only a click on the map or rose that activates the
// window is eaten, since it is where a stray click would turn the antenna.
#include <cmath>

#include "rotserver/core/heading_text.h"
#include "rotserver/win/main_window_impl_win.h"
#include "rotserver/win/main_window_parts_win.h"
#include "rotserver/win/settings_store_win.h"

namespace rotserver {

namespace {

constexpr int kNudgeDeg = 5;

}  // namespace

// The mouse and the keyboard.
bool MainWindowImpl::HandleInput(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  *result = 0;
  switch (msg) {
    case WM_MOUSEACTIVATE:
      *result = OnMouseActivate(wp, lp);
      return true;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(lp, wp);
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(lp);
      return true;
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      if (!warning_shown_ && !note_shown_) SetChildText(hwnd_, kIdPointer, "");
      return true;
    case WM_KEYDOWN:
      OnKeyDown(wp);
      return true;
    case WM_CHAR:
      OnChar(wp);
      return true;
    case WM_SETFOCUS: {
      // Digits typed at once go into the entry, and a new bearing replaces the last one.
      HWND entry = GetDlgItem(hwnd_, kIdEntry);
      SetFocus(entry);
      SendMessageW(entry, EM_SETSEL, 0, -1);
      return true;
    }
  }
  return false;
}

// A click that only brings RotServer to the front must not turn the antenna.
LRESULT MainWindowImpl::OnMouseActivate(WPARAM wp, LPARAM lp) {
  if (LOWORD(lp) == HTCLIENT && HIWORD(lp) == WM_LBUTTONDOWN) {
    const DWORD at = GetMessagePos();
    POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ScreenToClient(hwnd_, &p);
    if (PtInRect(&rose_area_, p)) return MA_ACTIVATEANDEAT;
  }
  return DefWindowProcA(hwnd_, WM_MOUSEACTIVATE, wp, lp);
}

void MainWindowImpl::OnLeftButtonDown(LPARAM lp, WPARAM wp) {
  SetFocus(hwnd_);  // so that Esc reaches the window after a click
  const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
  const Rose rose = RoseNow();
  std::optional<int> compass = CompassAt(rose, x, y);
  if (!compass) return;  // outside the rose, or at its centre where no direction means much
  // Over the map, the bearing the map gives the place (on this map the rose's direction).
  if (std::optional<MapSpot> spot = map_.SpotAt(rose, x, y)) compass = Nudged(spot->bearing_deg, 0);
  TurnTo(*compass, (wp & MK_SHIFT) != 0);
}

std::string MainWindowImpl::PointerWords(int x, int y) {
  const Rose rose = RoseNow();
  // Over the map: bearing, distance and locator everywhere, the station's neighbours included.
  if (std::optional<MapSpot> spot = map_.SpotAt(rose, x, y)) return SpotWords(*spot);
  std::optional<int> compass = CompassAt(rose, x, y);
  return compass ? BearingWords(*compass) : std::string();
}

void MainWindowImpl::OnMouseMove(LPARAM lp) {
  if (!tracking_leave_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
    tracking_leave_ = TrackMouseEvent(&track) != FALSE;
  }
  const std::string words =
      PointerWords(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
  if (words.empty() && (warning_shown_ || note_shown_)) return;
  ShowPointerLine(words, PointerLine::kReadout);
}

void MainWindowImpl::OnKeyDown(WPARAM key) {
  switch (key) {
    case VK_ESCAPE:
      Stop();
      break;
    case VK_RETURN:
      TurnToEntry();
      break;
    case VK_LEFT:
      Nudge(-kNudgeDeg);
      break;
    case VK_RIGHT:
      Nudge(kNudgeDeg);
      break;
  }
}

void MainWindowImpl::OnChar(WPARAM ch) {
  if (ch == 'l' || ch == 'L') return LongPath();
  if (ch >= '0' && ch <= '9') {
    HWND entry = GetDlgItem(hwnd_, kIdEntry);
    if (GetFocus() != entry) {
      SetFocus(entry);
      SendMessageW(entry, EM_SETSEL, 0, -1);  // a new bearing replaces the last one
    }
    SendMessageW(entry, WM_CHAR, ch, 0);
  }
}

// The pointer line tells what lies under the pointer, or a note about the last action: red
// when it refuses, in the normal colour when it confirms. The next action clears a note.
void MainWindowImpl::ShowPointerLine(const std::string& words, PointerLine kind) {
  const bool warning = kind == PointerLine::kWarning && !words.empty();
  const bool recolour = warning != warning_shown_;
  warning_shown_ = warning;
  note_shown_ = kind == PointerLine::kNote && !words.empty();
  SetChildText(hwnd_, kIdPointer, words);
  if (recolour) InvalidateRect(GetDlgItem(hwnd_, kIdPointer), nullptr, TRUE);
}

void MainWindowImpl::Warn(const std::string& words) {
  ShowPointerLine(words, PointerLine::kWarning);
}

void MainWindowImpl::Send(const std::optional<double>& bearing) {
  if (warning_shown_ || note_shown_) ShowPointerLine("", PointerLine::kReadout);
  if (bearing && actions_.turn_to) actions_.turn_to(*bearing);
}

void MainWindowImpl::Stop() {
  if (warning_shown_ || note_shown_) ShowPointerLine("", PointerLine::kReadout);
  choice_.Stopped();
  if (actions_.stop) actions_.stop();
}

void MainWindowImpl::TurnToEntry() {
  std::string why;
  std::optional<int> bearing = ParseBearing(ChildText(hwnd_, kIdEntry), &why);
  HWND entry = GetDlgItem(hwnd_, kIdEntry);
  SendMessageW(entry, EM_SETSEL, 0, -1);
  if (!bearing) return Warn(why);
  TurnTo(*bearing, false);
}

void MainWindowImpl::LongPath() {
  std::optional<double> to = choice_.LongPath(state_);
  if (!to) return Warn("No bearing yet to take the long path of.");
  Send(to);
}

void MainWindowImpl::Nudge(int step) {
  std::optional<double> to = choice_.Nudge(state_, step);
  if (!to) return Warn("No heading yet to nudge from.");
  Send(to);
}

void MainWindowImpl::OnPreset(int index) {
  Preset& preset = settings_.presets[static_cast<size_t>(index)];
  if (GetKeyState(VK_CONTROL) >= 0) return TurnTo(preset.bearing_deg, false);
  if (!state_.azimuth) return Warn("No heading yet to store in a preset.");
  Settings stored = LoadUsableSettings();
  stored.presets[static_cast<size_t>(index)].bearing_deg = Nudged(*state_.azimuth, 0);
  std::string error;
  if (!SaveSettings(stored, &error, SettingsScope::kWindowOnly))
    return Warn("The preset cannot be stored: " + error);
  UseSettings(stored);
  ShowPointerLine(preset.label + " now turns to " + BearingWords(preset.bearing_deg) + ".",
                  PointerLine::kNote);
}

}  // namespace rotserver
