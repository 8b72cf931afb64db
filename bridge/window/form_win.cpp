#include "bridge/window/form_win.h"

#include "bridge/base/program_forms_win.h"
#include "bridge/window/edit_win.h"
#include "wire/wire.h"

namespace vexal {

namespace {
constexpr const char* kFormClass = wire::kBridgeWindowClass;
}

Form::Form(const FormLayout& layout)
    : dpi_(ScreenDpi()), border_width96_(layout.border_width96), color_(layout.color) {
  RegisterClassOnce(kFormClass);
  Create(WS_EX_TOPMOST, kFormClass, layout.caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
         CW_USEDEFAULT, CW_USEDEFAULT, Scale(layout.width96, dpi_), Scale(layout.height96, dpi_),
         nullptr, 0);
  // Under per-monitor awareness the monitor the window opened on may have another setting
  // than the screen reports.
  int window_dpi = WindowDpi(Handle());
  if (window_dpi != dpi_) {
    dpi_ = window_dpi;
    SetWindowPos(Handle(), nullptr, 0, 0, Scale(layout.width96, dpi_), Scale(layout.height96, dpi_),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  AddProgramForm(Handle());
}

Form::~Form() {
  RemoveProgramForm(Handle());
}

void Form::Paint(HDC dc, const RECT& area) {
  GdiObject<HBRUSH> brush(CreateSolidBrush(ToColorRef(color_)));
  FillRect(dc, &area, brush.get());
}

LRESULT Form::CtlColor(UINT msg, HDC dc, HWND child) {
  if (TEdit* edit = TEdit::FromHandle(child)) return reinterpret_cast<LRESULT>(edit->CtlColor(dc));
  return DefWindowProcA(Handle(), msg, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(child));
}

void Form::Activate(WPARAM wp) {
  if (LOWORD(wp) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(Handle(), focus)) saved_focus_ = focus;
    return;
  }
  if (!HIWORD(wp)) RestoreFocus();  // not while minimised
}

void Form::RestoreFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(Handle(), focus)) return;
  if (saved_focus_ && IsWindow(saved_focus_) && IsChild(Handle(), saved_focus_))
    SetFocus(saved_focus_);
  else if (default_focus_)
    SetFocus(default_focus_);
}

void Form::Close() {
  if (OnClose)
    OnClose();
  else
    Destroy();
}

void Form::EndSession(bool ending) {
  if (ending && OnEndSession) OnEndSession();
}

void Form::DpiChanged(int dpi, const RECT* suggested) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  // The suggested rectangle keeps the window's proportions on the new monitor.
  if (suggested)
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  for (ScaledWidget* widget : widgets_) widget->Rescale(dpi_, Origin());
  InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return CtlColor(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_ACTIVATE:
      Activate(wp);
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      EndSession(wp != FALSE);
      return 0;
    case WM_DPICHANGED:
      DpiChanged(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_DESTROY:
      RemoveProgramForm(Handle());
      break;
  }
  return PaintedWindow::HandleMessage(msg, wp, lp);
}

}  // namespace vexal
