// The rotator server's client conversation on the bridge's topic "AntDaten", on which it
// executes status macros. Connects again whenever the conversation is gone.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "toolkit/line_log_win.h"
#include "dde/client_win.h"

namespace rotsim {

class StatusLink {
 public:
  // No service: a wild connect that takes whichever bridge answers first.
  // With `confirm`, executes are synchronous (bounded) so that the bridge's answer is seen.
  StatusLink(std::optional<std::string> service, toolkit::LineLog& log, bool confirm = false);
  ~StatusLink();
  StatusLink(const StatusLink&) = delete;
  StatusLink& operator=(const StatusLink&) = delete;

  enum class Result { kNoBridge, kSent, kAcknowledged, kRefused };
  // Executes one status macro (text without the final NUL). By default asynchronous, as the
  // bridge sends its commands: a synchronous wait holds up every DDE connect broadcast, and
  // one that times out spoils the next reply (so after a timeout the link is made anew).
  Result Send(const std::string& text);
  bool Up() const { return dde_.Up(); }
  void Disconnect() { dde_.Disconnect(); }

 private:
  bool EnsureConnected();

  std::optional<std::string> service_;
  toolkit::LineLog& log_;
  bool confirm_;
  ddeml::Client dde_;
};

// "sent", "ack", "refused", "nobridge": as the log writes a result.
const char* ResultName(StatusLink::Result result);

}  // namespace rotsim
