#include "bridge/logger/logger_port_win.h"

namespace vexal {

std::uintptr_t Win32LoggerPort::FindLogger() {
  return reinterpret_cast<std::uintptr_t>(FindWindowA(nullptr, "Logger32"));
}

std::uint32_t Win32LoggerPort::RegisterMessage(const std::string& name) {
  return RegisterWindowMessageA(name.c_str());
}

void Win32LoggerPort::Send(std::uintptr_t wnd, std::uint32_t msg, std::uint32_t wparam,
                           std::int32_t lparam) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(reinterpret_cast<HWND>(wnd), msg, wparam, lparam, SMTO_ABORTIFHUNG,
                      kSendTimeoutMs, &ignored);
}

std::optional<LoggerReply> Win32LoggerPort::ReadNext() {
  HWND main = window_.main;
  const ULONGLONG deadline = GetTickCount64() + kReadTimeoutMs;
  for (;;) {
    MSG msg;
    if (PeekMessageA(&msg, main, 0, 0, PM_REMOVE)) {
      return LoggerReply{msg.message, static_cast<std::uint32_t>(msg.wParam),
                         static_cast<std::int32_t>(msg.lParam)};
    }
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return std::nullopt;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}

void Win32LoggerPort::RemoveOne() {
  MSG msg;
  PeekMessageA(&msg, window_.main, 0, 0, PM_REMOVE);
}

void Win32LoggerPort::Pause(int ms) {
  Sleep(static_cast<DWORD>(ms));
}

void Win32LoggerPort::SetLabel(LoggerLabel label, const std::string& text) {
  switch (label) {
    case LoggerLabel::Version:
      window_.version.SetText(text);
      break;
    case LoggerLabel::Status:
      window_.status.SetText(text);
      break;
    case LoggerLabel::Attempt:
      window_.attempt.SetText(text);
      break;
  }
}

std::int32_t Win32LoggerPort::MainWindow() {
  // Window handles keep their meaning in 32 bits, which is all the protocol carries.
  return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(window_.main));
}

}  // namespace vexal
