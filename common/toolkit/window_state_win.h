// The object behind a window: the pointer CreateWindowEx got as its last argument, attached to
// the window at WM_NCCREATE (the first message that carries it) and read back for every later
// message. Messages before WM_NCCREATE find nullptr.
#pragma once

#include <windows.h>

namespace toolkit {

template <class T>
T* WindowState(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace toolkit
