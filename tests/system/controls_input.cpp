#include "controls_input.h"

#include <algorithm>

namespace controls {

namespace {

void Send(INPUT input) {
  SendInput(1, &input, sizeof input);
}

INPUT MouseInput(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  return input;
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// Absolute pointer coordinates run from 0 to 65535 over the primary screen; the system maps
// them back with truncation, so round up to land on the pixel itself.
LONG Normalised(LONG pixel, int extent) {
  return static_cast<LONG>((pixel * 65536LL + extent - 1) / extent);
}

LRESULT CALLBACK OtherProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

bool MoveTo(POINT screen) {
  INPUT input = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
  input.mi.dx = Normalised(screen.x, GetSystemMetrics(SM_CXSCREEN));
  input.mi.dy = Normalised(screen.y, GetSystemMetrics(SM_CYSCREEN));
  Send(input);
  return harness::WaitUntil(
      [&] {
        POINT at;
        return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y;
      },
      harness::Millis(2000));
}

void Press(Button button) {
  Send(MouseInput(button == Button::Left    ? MOUSEEVENTF_LEFTDOWN
                  : button == Button::Right ? MOUSEEVENTF_RIGHTDOWN
                                            : MOUSEEVENTF_MIDDLEDOWN));
}

void Release(Button button) {
  Send(MouseInput(button == Button::Left    ? MOUSEEVENTF_LEFTUP
                  : button == Button::Right ? MOUSEEVENTF_RIGHTUP
                                            : MOUSEEVENTF_MIDDLEUP));
}

POINT CentreOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Stroke(WORD vk) {
  Send(KeyInput(vk, false));
  Send(KeyInput(vk, true));
}

bool StrokeThroughX(const std::string& key_name) {
  return harness::StartLinuxProgram("Z:\\usr\\bin\\xdotool key " + key_name);
}

bool Type(const std::string& text) {
  for (char c : text) {
    SHORT key = VkKeyScanA(c);
    if (key == -1) return false;
    WORD vk = LOBYTE(key);
    bool shift = (HIBYTE(key) & 1) != 0;
    if (shift) Send(KeyInput(VK_SHIFT, false));
    Stroke(vk);
    if (shift) Send(KeyInput(VK_SHIFT, true));
  }
  return true;
}

bool SetClipboardText(const std::string& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  bool ok = false;
  if (memory) {
    if (char* p = static_cast<char*>(GlobalLock(memory))) {
      std::copy(text.begin(), text.end(), p);
      p[text.size()] = '\0';
      GlobalUnlock(memory);
      ok = SetClipboardData(CF_TEXT, memory) != nullptr;
    }
    if (!ok) GlobalFree(memory);
  }
  CloseClipboard();
  return ok;
}

bool BringToFront(HWND hwnd, harness::Millis timeout) {
  return harness::WaitUntil(
      [&] {
        if (GetForegroundWindow() == hwnd) return true;
        SetForegroundWindow(hwnd);
        return GetForegroundWindow() == hwnd;
      },
      timeout);
}

OtherWindow::OtherWindow() {
  constexpr char kClass[] = "ControlsOtherWindow";
  WNDCLASSA wc{};
  wc.lpfnWndProc = OtherProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);  // fails harmlessly when already registered
  hwnd_ = CreateWindowExA(0, kClass, "Other window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 500,
                          200, 150, nullptr, nullptr, wc.hInstance, nullptr);
}

OtherWindow::~OtherWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

}  // namespace controls
