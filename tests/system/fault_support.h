// The bridge under faults and load: the stress tool as one more partner, and the checks that
// every such test ends with (still running, window answering, memory and handles flat).
#pragma once

#include <map>
#include <optional>
#include <string>

#include "bridge_support.h"

namespace faulttest {

// One finished run of stress.exe: its exit code and the key=value pairs of its result line.
struct StressResult {
  bool finished = false;
  DWORD exit_code = 0;
  std::map<std::string, std::string> values;
  std::string Value(const std::string& key) const;
  long long Number(const std::string& key) const;  // -1 when absent or not a number
};

struct Usage {
  unsigned long long private_bytes = 0;
  unsigned long handles = 0;  // 0 where the platform does not count another process's
};

// Handles flat within `margin`; only where the platform counts them (Wine 8 does not).
void ExpectHandlesFlat(const Usage& before, const Usage& after, unsigned long margin);

// Name of the message that logger32-sim answers by default, and so the id of turn requests.
inline const std::string kLoggerMessage = "Logger32 1";

class FaultTest : public bridgetest::BridgeTest {
 protected:
  // Runs stress.exe with `args` to its end (bounded by `timeout`), pumping this thread.
  StressResult Stress(const std::string& args, harness::Millis timeout);
  // Starts stress.exe without waiting; Finish collects it.
  std::unique_ptr<harness::Child> StartStress(const std::string& args, const std::string& out);
  StressResult Finish(harness::Child& child, const std::string& out, harness::Millis timeout);

  // Logger32 connected, the rotator server up and greeted.
  void StartLinked();

  // No crash and no hang: the process runs and its window answers WM_GETTEXT in time.
  void ExpectAlive() const;
  // Private bytes and handle count of the bridge process.
  std::optional<Usage> BridgeUsage() const;
  // The status macro still reaches the display: proves the DDE side still works.
  void ExpectShowsStatus(int azimuth_tenths, const std::string& shown);

  int stress_runs_ = 0;
};

// "a within b": |a - b| <= max(b * fraction, absolute).
bool Near(unsigned long long a, unsigned long long b, double fraction, unsigned long long absolute);

}  // namespace faulttest
