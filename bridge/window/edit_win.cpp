#include "bridge/window/edit_win.h"

#include <stdexcept>

#include "bridge/base/error_report_win.h"
#include "bridge/base/error_texts.h"
#include "bridge/base/windows_error_win.h"

namespace vexal {

namespace {
constexpr char kSelfProp[] = "VexalEdit";
}

TEdit::TEdit(HWND parent, const WidgetLayout& layout, int dpi, int origin)
    : layout_(layout),
      font_(CreateFontFor(*layout.font, dpi)),
      brush_(CreateSolidBrush(ToColorRef(layout.color))),
      color_(layout.color),
      text_color_(layout.font->color) {
  DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
  if (layout.enabled)
    style |= WS_TABSTOP;
  else
    style |= WS_DISABLED;
  Placement place = PlacementOf(layout, dpi, origin);
  hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", layout.text, style, place.x, place.y,
                          place.width, place.height, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)),
                          GetModuleHandleA(nullptr), nullptr);
  if (!hwnd_)
    throw std::runtime_error(
        error_text::WindowNotCreated("EDIT", FormatWindowsError(GetLastError())));
  SetPropA(hwnd_, kSelfProp, this);
  base_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  if (layout.max_length > 0) SendMessageA(hwnd_, EM_LIMITTEXT, layout.max_length, 0);
}

TEdit::~TEdit() {
  if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

void TEdit::SetText(const std::string& text) {
  // Status macros come several times a second, mostly with nothing new: a repaint for each
  // would slow every answer to the rotator server.
  if (text == Text()) return;
  SetWindowTextA(hwnd_, text.c_str());
}

void TEdit::SetColor(TColor color) {
  if (color == color_ && brush_.get()) return;
  color_ = color;
  brush_.Reset(CreateSolidBrush(ToColorRef(color)));
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void TEdit::Rescale(int dpi, int origin) {
  // The box keeps using the old font until it has the new one: only then may the old go.
  HFONT font = CreateFontFor(*layout_.font, dpi);
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  font_.Reset(font);
  MoveTo(hwnd_, PlacementOf(layout_, dpi, origin));
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void TEdit::SelectAll() {
  SendMessageA(hwnd_, EM_SETSEL, 0, -1);
}

TEdit* TEdit::FromHandle(HWND hwnd) {
  return static_cast<TEdit*>(GetPropA(hwnd, kSelfProp));
}

HBRUSH TEdit::CtlColor(HDC dc) {
  SetBkColor(dc, ToColorRef(color_));
  if (IsWindowEnabled(hwnd_)) SetTextColor(dc, ToColorRef(text_color_));
  return brush_.get();
}

LRESULT TEdit::Char(WPARAM wp, LPARAM lp) {
  char key = static_cast<char>(wp);
  if (OnKeyPress) OnKeyPress(key);
  if (key == 0) return 0;
  return CallWindowProcA(base_proc_, hwnd_, WM_CHAR, static_cast<unsigned char>(key), lp);
}

LRESULT TEdit::LButtonDown(WPARAM wp, LPARAM lp) {
  // The box takes the focus while handling the click; that focus keeps the caret where the
  // click put it instead of selecting everything.
  clicking_ = true;
  LRESULT result = CallWindowProcA(base_proc_, hwnd_, WM_LBUTTONDOWN, wp, lp);
  clicking_ = false;
  return result;
}

LRESULT TEdit::SetFocusMsg(WPARAM wp, LPARAM lp) {
  LRESULT result = CallWindowProcA(base_proc_, hwnd_, WM_SETFOCUS, wp, lp);
  if (!clicking_) SelectAll();
  return result;
}

LRESULT TEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CHAR:
      return Char(wp, lp);
    case WM_LBUTTONDOWN:
      return LButtonDown(wp, lp);
    case WM_SETFOCUS:
      return SetFocusMsg(wp, lp);
  }
  return CallWindowProcA(base_proc_, hwnd_, msg, wp, lp);
}

LRESULT CALLBACK TEdit::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TEdit* self = FromHandle(hwnd);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    WNDPROC base = self->base_proc_;
    RemovePropA(hwnd, kSelfProp);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
    self->hwnd_ = nullptr;
    return CallWindowProcA(base, hwnd, msg, wp, lp);
  }
  return CallGuarded<LRESULT>([&] { return self->HandleMessage(msg, wp, lp); }, 0);
}

}  // namespace vexal
