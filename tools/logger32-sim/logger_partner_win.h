// Logger32's side of the handshake with the bridge: the replies it posts to the registered
// messages "Logger32 1" to "Logger32 5", and the turn requests it posts once connected.
#pragma once

#include <windows.h>

#include "event_log_win.h"
#include "sim_options.h"

namespace logger32sim {

class LoggerPartner {
 public:
  LoggerPartner(const SimOptions& options, EventLog& log);

  // Attempt number 1..5 of a registered message id, 0 for any other message.
  int NameOf(UINT message) const;

  // Handles a message the bridge sent on name `name`. Returns true exactly when this was the
  // handshake's code 3 and it was answered: from then on the bridge counts as connected.
  bool OnLoggerMessage(int name, WPARAM wparam, LPARAM lparam);

  // Posts (or sends) wParam/lParam on the name the bridge spoke last. False, with a log line,
  // before any bridge has made itself known.
  bool PostToBridge(long wparam, long lparam);
  bool SendToBridge(long wparam, long lparam);
  bool Turn(long azimuth) { return PostToBridge(101, azimuth); }

 private:
  void HangOnFirstMessage();
  void CheckProtocol(int name, WPARAM wparam, LPARAM lparam);
  void OnRequest(int name, HWND bridge);
  void OnSecondRequest();
  void OnThirdRequest();
  bool HaveBridge();

  const SimOptions& options_;
  EventLog& log_;
  UINT ids_[5] = {};
  HWND bridge_ = nullptr;
  int name_ = 0;
  int code2_seen_ = 0;
  int requests_ = 0;        // the last name the bridge opened with code 1
  int seconds_on_name_ = 0;  // code 2s seen on that name
  bool hung_ = false;
};

}  // namespace logger32sim
