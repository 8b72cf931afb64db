// The Logger32 handshake and release on the real desktop, for the main window Form6.
#pragma once

#include <windows.h>

#include "logger/logger_link.h"

namespace vexal {

class TForm6;

class Win32LoggerPort : public LoggerPort {
 public:
  static constexpr UINT kSendTimeoutMs = 5000;  // a hung Logger32 does not hold us for ever
  static constexpr DWORD kReadTimeoutMs = 2000;

  explicit Win32LoggerPort(TForm6& form) : form_(form) {}

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
  TForm6& form_;
};

// On the one main window Form6; called by its creation handler and by the rotator link.
bool ConnectLogger();
void DisconnectLogger();

}  // namespace vexal
