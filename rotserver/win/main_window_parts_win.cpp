#include "rotserver/win/main_window_parts_win.h"

#include <commctrl.h>

#include "rotserver/win/main_window_ids_win.h"
#include "winui/wide_text_win.h"

namespace rotserver {

namespace {

constexpr UINT_PTR kKeysSubclassId = 1;

HMENU IdOf(int id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// Keys typed into the entry or on a focused button that the window acts on: Enter turns to the
// typed bearing, Esc stops, L takes the long path, Left and Right nudge, digits go to the entry.
LRESULT CALLBACK ChildKeysProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  const bool entry = GetDlgCtrlID(hwnd) == kIdEntry;
  HWND parent = GetParent(hwnd);
  if (msg == WM_KEYDOWN &&
      (wp == VK_ESCAPE || wp == VK_LEFT || wp == VK_RIGHT || (entry && wp == VK_RETURN))) {
    SendMessageW(parent, WM_KEYDOWN, wp, lp);
    return 0;
  }
  if (msg == WM_CHAR) {
    if (wp == 'l' || wp == 'L' || (!entry && wp >= '0' && wp <= '9')) {
      SendMessageW(parent, WM_CHAR, wp, lp);
      return 0;
    }
    if (entry && (wp == '\r' || wp == 0x1B)) return 0;  // handled as keys; no beep
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, ChildKeysProc, kKeysSubclassId);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

HWND Make(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
  HWND child = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                               IdOf(id), GetModuleHandleW(nullptr), nullptr);
  if (child && (wcscmp(cls, L"EDIT") == 0 || wcscmp(cls, L"BUTTON") == 0))
    SetWindowSubclass(child, ChildKeysProc, kKeysSubclassId, 0);
  return child;
}

void MoveTo(HWND parent, int id, const Box& box) {
  MoveWindow(GetDlgItem(parent, id), box.left, box.top, box.width(), box.height(), TRUE);
}

}  // namespace

void CreateChildren(HWND parent) {
  const DWORD line = SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX;
  Make(parent, L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, kIdHeading);
  Make(parent, L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, kIdTarget);
  for (int id : {kIdActivity, kIdPointer, kIdBridgeLine}) Make(parent, L"STATIC", L"", line, id);
  // Three rows: the operator's words are read whole at the default width. The technical chain
  // behind them waits, hidden, for Details….
  Make(parent, L"STATIC", L"", SS_LEFT | SS_EDITCONTROL | SS_NOPREFIX, kIdStatusLine);
  CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, parent, IdOf(kIdStatusDetails),
                  GetModuleHandleW(nullptr), nullptr);
  Make(parent, L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kIdEntry);
  SendMessageW(GetDlgItem(parent, kIdEntry), EM_SETLIMITTEXT, 8, 0);
  const DWORD push = WS_TABSTOP | BS_PUSHBUTTON;
  Make(parent, L"BUTTON", L"Go", push, kIdGo);
  Make(parent, L"BUTTON", L"LP", push, kIdLongPath);
  Make(parent, L"BUTTON", L"Stop", push, kIdStopButton);
  Make(parent, L"BUTTON", L"Details\u2026", push, kIdDetails);
  for (int i = 0; i < 6; ++i) Make(parent, L"BUTTON", L"", push, kIdPreset1 + i);
}

void SetChildFonts(HWND parent, HFONT text, HFONT heading, HFONT target) {
  for (int id : {kIdActivity, kIdPointer, kIdBridgeLine, kIdStatusLine, kIdEntry, kIdGo,
                 kIdLongPath, kIdStopButton, kIdDetails})
    SendMessageW(GetDlgItem(parent, id), WM_SETFONT, reinterpret_cast<WPARAM>(text), TRUE);
  for (int i = 0; i < 6; ++i)
    SendMessageW(GetDlgItem(parent, kIdPreset1 + i), WM_SETFONT, reinterpret_cast<WPARAM>(text),
                 TRUE);
  SendMessageW(GetDlgItem(parent, kIdHeading), WM_SETFONT, reinterpret_cast<WPARAM>(heading), TRUE);
  SendMessageW(GetDlgItem(parent, kIdTarget), WM_SETFONT, reinterpret_cast<WPARAM>(target), TRUE);
}

void PlaceChildren(HWND parent, const WindowLayout& l) {
  MoveTo(parent, kIdHeading, l.heading);
  MoveTo(parent, kIdTarget, l.target);
  MoveTo(parent, kIdActivity, l.activity);
  MoveTo(parent, kIdPointer, l.pointer);
  MoveTo(parent, kIdEntry, l.entry);
  MoveTo(parent, kIdGo, l.go);
  MoveTo(parent, kIdLongPath, l.long_path);
  MoveTo(parent, kIdStopButton, l.stop);
  for (int i = 0; i < 6; ++i) MoveTo(parent, kIdPreset1 + i, l.presets[static_cast<size_t>(i)]);
  MoveTo(parent, kIdBridgeLine, l.bridge);
  MoveTo(parent, kIdDetails, l.details);
  MoveTo(parent, kIdStatusLine, l.status);
}

std::string ChildText(HWND parent, int id) {
  HWND child = GetDlgItem(parent, id);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
  return winui::WideToUtf8(text);
}

void SetChildText(HWND parent, int id, const std::string& utf8) {
  if (ChildText(parent, id) != utf8)
    SetWindowTextW(GetDlgItem(parent, id), winui::Utf8ToWide(utf8).c_str());
}

}  // namespace rotserver
