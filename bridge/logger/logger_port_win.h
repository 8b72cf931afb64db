// The Logger32 handshake and release on the real desktop, for the bridge's main window.
#pragma once

#include <windows.h>

#include "bridge/logger/logger_link.h"
#include "bridge/window/label_win.h"

namespace vexal {

// The main window as the handshake sees it: the window Logger32 posts to, and the labels that
// show the version, the link status and the attempt number.
struct LoggerWindow {
  HWND main;
  TLabel& version;
  TLabel& status;
  TLabel& attempt;
};

class Win32LoggerPort : public LoggerPort {
 public:
  static constexpr UINT kSendTimeoutMs = 5000;  // a hung Logger32 does not hold us for ever
  static constexpr DWORD kReadTimeoutMs = 2000;

  explicit Win32LoggerPort(const LoggerWindow& window) : window_(window) {}

  std::uintptr_t FindLogger() override;
  std::uint32_t RegisterMessage(const std::string& name) override;
  void Send(std::uintptr_t wnd, std::uint32_t msg, std::uint32_t wparam,
            std::int32_t lparam) override;
  std::optional<LoggerReply> ReadNext() override;
  void RemoveOne() override;
  void Pause(int ms) override;
  void SetLabel(LoggerLabel label, const std::string& text) override;
  std::int32_t MainWindow() override;

 private:
  LoggerWindow window_;
};

}  // namespace vexal
