// The rotator server's side of the command link, played by the driver: a DDE server that takes
// conversations on one topic and keeps every execute it receives with its arrival time.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>
#include <vector>

#include "dde_client.h"

namespace bench {

struct Arrival {
  LONGLONG when = 0;  // QueryPerformanceCounter as the execute reached the callback
  std::string bytes;  // the execute's data, exactly as many bytes as were sent
};

// Only one per process: the DDE callback has no room for a pointer to its object.
class RotatorStandIn {
 public:
  // Registers `service` and accepts conversations on `topic` (letter case ignored). Throws
  // std::runtime_error when the service cannot be registered or another stand-in exists.
  RotatorStandIn(const std::string& service, const std::string& topic, const Timer& timer);
  ~RotatorStandIn();
  RotatorStandIn(const RotatorStandIn&) = delete;
  RotatorStandIn& operator=(const RotatorStandIn&) = delete;

  const std::vector<Arrival>& arrivals() const { return arrivals_; }
  int conversations() const { return conversations_; }

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ topic, HSZ item,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  HDDEDATA OnExecute(HDDEDATA data);
  void Release();

  const Timer& timer_;
  DWORD inst_ = 0;
  HSZ service_ = nullptr;
  HSZ topic_ = nullptr;
  std::vector<Arrival> arrivals_;
  int conversations_ = 0;
};

}  // namespace bench
