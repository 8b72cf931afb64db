// The rotator server's side of the command link, played by the driver: a DDE server that takes
// conversations on one topic and keeps every execute it receives with its arrival time.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "workload_win.h"
#include "dde/server_win.h"

namespace bench {

struct Arrival {
  LONGLONG when = 0;  // QueryPerformanceCounter as the execute reached the callback
  std::string bytes;  // the execute's data, exactly as many bytes as were sent
};

// Only one per process (it is the process's ddeml::Server).
class RotatorStandIn {
 public:
  // Registers `service` and accepts conversations on `topic` (letter case ignored). Throws
  // std::runtime_error when the service cannot be registered or another stand-in exists.
  RotatorStandIn(const std::string& service, const std::string& topic, const Timer& timer);
  // Ends the bridge's conversation too: DDE posts the terminate to its partner.
  ~RotatorStandIn();
  RotatorStandIn(const RotatorStandIn&) = delete;
  RotatorStandIn& operator=(const RotatorStandIn&) = delete;

  const std::vector<Arrival>& arrivals() const { return arrivals_; }
  int conversations() const { return conversations_; }

 private:
  const Timer& timer_;
  std::vector<Arrival> arrivals_;
  int conversations_ = 0;
  std::unique_ptr<ddeml::Server> server_;  // last: gone before what its handlers use
};

}  // namespace bench
