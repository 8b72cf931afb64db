// The registered-message handshake with Logger32's main window and its release. The
// algorithm is written against LoggerPort so that it runs on Win32 and against a scripted
// partner in tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vexal {

// Logger link state, one set per process.
extern std::uintptr_t LoggerWnd;            // Logger32's main window; 0: not found
extern std::uint32_t LoggerMsg;             // id of the message name in use; 0 until registered
extern bool LoggerConnected;                // from a completed handshake until the release
inline constexpr int HandshakeDelay = 100;  // ms between the steps
inline constexpr int kLoggerFailurePause = 2000;  // ms after a failure text
inline constexpr char VersionLabel[] = "qx0zz 20080401";

// A message queued for the main window, as the protocol sees it: 32-bit wParam and lParam.
struct LoggerReply {
  std::uint32_t msg;
  std::uint32_t wparam;
  std::int32_t lparam;
};

enum class LoggerLabel { Version, Status, Attempt };  // Label5, Label6, Label7

class LoggerPort {
 public:
  virtual ~LoggerPort() = default;
  // The top-level window titled "Logger32", or 0.
  virtual std::uintptr_t FindLogger() = 0;
  virtual std::uint32_t RegisterMessage(const std::string& name) = 0;
  // Synchronous; the result is of no interest.
  virtual void Send(std::uintptr_t wnd, std::uint32_t msg, std::uint32_t wparam,
                    std::int32_t lparam) = 0;
  // Removes and returns the next message queued for the main window, waiting a bounded time
  // for one; nothing when none came.
  virtual std::optional<LoggerReply> ReadNext() = 0;
  // Removes at most one message queued for the main window, without waiting.
  virtual void RemoveOne() = 0;
  virtual void Pause(int ms) = 0;
  virtual void SetLabel(LoggerLabel label, const std::string& text) = 0;
  // The main window's handle (created hidden if it does not exist yet), 32-bit as sent.
  virtual std::int32_t MainWindow() = 0;
};

// The handshake: true when it completed and LoggerConnected is set.
bool ConnectLogger(LoggerPort& port);
// The release; does nothing unless connected.
void DisconnectLogger(LoggerPort& port);

}  // namespace vexal
