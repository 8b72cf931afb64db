// One rotator backend as the settings describe it: the driver (with its socket for rotctld), the
// front end over it, and the supervised rotctld command. Rebuilt whole when settings change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "rotserver/core/byte_log_budget.h"
#include "rotserver/core/front_end.h"
#include "rotserver/core/rotator_driver.h"
#include "rotserver/core/settings.h"
#include "rotserver/win/sockets_win.h"
#include "rotserver/win/supervisor_win.h"
#include "toolkit/line_log_win.h"

namespace rotserver {

class Backend {
 public:
  Backend(const Settings& settings, toolkit::LineLog& log, Millis now);
  // No rotator at all, while the settings cannot be used: the status line says `why`.
  Backend(toolkit::LineLog& log, const std::string& why);
  ~Backend();
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  FrontEnd& front() { return *front_; }
  // Every 50 ms: the supervised command, the socket's news, then the driver.
  void Tick(Millis now);
  // What the window shows: the front end's view, with the supervised command's trouble.
  ViewState View(Millis now) const;

 private:
  void LogReceived(std::string_view bytes, Millis now);
  void LogLeftOut(Millis now);

  toolkit::LineLog& log_;
  ByteLogBudget log_budget_;
  // Declared in the order they depend on each other: destroyed the other way round.
  std::unique_ptr<Supervisor> supervisor_;
  std::unique_ptr<TcpConnection> socket_;
  std::unique_ptr<RotatorDriver> driver_;
  std::unique_ptr<FrontEnd> front_;
  std::string label_;
};

// "rotctld 127.0.0.1:4533" or "simulated": how the status line names the backend.
std::string BackendLabel(const Settings& settings);

}  // namespace rotserver
