// The object behind a window: the pointer CreateWindowEx got as its last argument, attached to
// the window at WM_NCCREATE (the first message that carries it), read back for every later
// message and detached at WM_NCDESTROY (the last one), so that nothing reaches an object whose
// owner may already be gone. Messages before WM_NCCREATE and after WM_NCDESTROY find nullptr;
// WM_NCDESTROY itself still finds the object, so the owner can forget its handle. Below them,
// the window and dialog procedures of an object that owns its window, built on the same.
#pragma once

#include <windows.h>

namespace winui {

template <class T>
T* WindowState(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  return state;
}

// The same for a dialog box: the pointer DialogBoxParam got, attached at WM_INITDIALOG (the
// messages before it, such as WM_SETFONT, find nullptr) and detached at WM_NCDESTROY.
template <class T>
T* DialogState(HWND dialog, UINT msg, LPARAM lp) {
  if (msg == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lp);
  auto* state = reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (msg == WM_NCDESTROY) SetWindowLongPtrA(dialog, DWLP_USER, 0);
  return state;
}

// The window procedure of an object that owns its window, written once for every such class:
// `handle` names the owner's member that holds the window (set at WM_NCCREATE, cleared at
// WM_NCDESTROY), and `answer(self)` handles every message in between. Windows cannot take an
// exception back, so `answer` catches whatever its work throws.
template <class T, class Answer>
LRESULT OwnerWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, HWND T::*handle,
                        Answer&& answer) {
  T* self = WindowState<T>(hwnd, msg, lp);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->*handle = hwnd;
  if (msg == WM_NCDESTROY) {
    self->*handle = nullptr;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return answer(*self);
}

// The same for a modal dialog box: `handle` is set at WM_INITDIALOG; messages before it are
// left to the dialog manager.
template <class T, class Answer>
INT_PTR OwnerDialogProc(HWND dialog, UINT msg, LPARAM lp, HWND T::*handle, Answer&& answer) {
  T* self = DialogState<T>(dialog, msg, lp);
  if (!self) return FALSE;
  if (msg == WM_INITDIALOG) self->*handle = dialog;
  return answer(*self);
}

}  // namespace winui
