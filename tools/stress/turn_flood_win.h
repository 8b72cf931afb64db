// Turn requests as Logger32 posts them: the registered message with wParam 101 and the
// azimuth in lParam, posted to the bridge's window.
#pragma once

#include <windows.h>

#include <string>

#include "report.h"
#include "stress_options.h"

namespace stress {

class TurnPoster {
 public:
  bool Open(const std::string& window_title, const std::string& message_name);
  // Retries while the receiver's queue is full, for up to a minute.
  bool Post(long azimuth);
  long long retries() const { return retries_; }

 private:
  HWND window_ = nullptr;
  UINT message_ = 0;
  long long retries_ = 0;
};

int RunTurns(const Options& options, Report& report);

}  // namespace stress
