#include "bridge/logger/logger_link.h"

namespace vexal {

std::uintptr_t LoggerWnd = 0;
std::uint32_t LoggerMsg = 0;
bool LoggerConnected = false;

namespace {

constexpr int kNameCount = 5;
constexpr int kCountedReads = 10;

enum Code : std::uint32_t {
  kRequest = 1,
  kReplyPhase = 2,
  kConfirm = 3,
  kRelease = 4,
  kReplyEnd = 100,
};

void SendCode(LoggerPort& port, std::uint32_t code, std::int32_t lparam = 0) {
  port.Send(LoggerWnd, LoggerMsg, code, lparam);
}

// The reply phase of the one attempt whose first reply was accepted. A read that sees no
// reply in time counts like any other reply, so a silent partner cannot hold it for ever.
bool RunReplyPhase(LoggerPort& port) {
  bool confirmed = false;
  int reads = 0;
  while (reads < kCountedReads) {
    std::optional<LoggerReply> reply = port.ReadNext();
    if (!reply) {
      ++reads;
    } else if (reply->wparam == kConfirm) {
      port.Pause(HandshakeDelay);
      confirmed = true;
      ++reads;
    } else if (reply->wparam == kReplyEnd) {
      if (confirmed) break;
      SendCode(port, kReplyPhase);
      port.Pause(HandshakeDelay);
    } else {
      ++reads;
    }
  }
  return confirmed;
}

}  // namespace

bool ConnectLogger(LoggerPort& port) {
  LoggerWnd = port.FindLogger();
  port.SetLabel(LoggerLabel::Version, VersionLabel);
  if (LoggerWnd == 0) {
    port.SetLabel(LoggerLabel::Status, "Logger32 not found");
    port.Pause(kLoggerFailurePause);
    return false;
  }
  const std::int32_t main_window = port.MainWindow();
  for (int k = 1; k <= kNameCount; ++k) {
    port.SetLabel(LoggerLabel::Attempt, std::to_string(k));
    LoggerMsg = port.RegisterMessage("Logger32 " + std::to_string(k));
    port.Pause(HandshakeDelay);
    SendCode(port, kRequest, main_window);
    port.Pause(HandshakeDelay);
    std::optional<LoggerReply> first = port.ReadNext();
    if (!first || first->wparam != 0 || first->lparam != 1) continue;  // refused
    SendCode(port, kReplyPhase);
    port.Pause(HandshakeDelay);
    SendCode(port, kConfirm);
    port.Pause(HandshakeDelay);
    if (RunReplyPhase(port)) {
      LoggerConnected = true;
      port.SetLabel(LoggerLabel::Status, "Logger32 connected");
    } else {
      SendCode(port, kRelease);
    }
    break;  // only one attempt reaches the reply phase
  }
  if (!LoggerConnected) {
    port.SetLabel(LoggerLabel::Status, "no free Logger32-Window");
    port.Pause(kLoggerFailurePause);
    return false;
  }
  return true;
}

void DisconnectLogger(LoggerPort& port) {
  if (!LoggerConnected) return;
  SendCode(port, kRelease);
  port.Pause(HandshakeDelay);
  port.RemoveOne();
  LoggerConnected = false;
  port.SetLabel(LoggerLabel::Status, "Logger32 not connected");
  port.Pause(kLoggerFailurePause);
}

}  // namespace vexal
