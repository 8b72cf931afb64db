#include "marker_support.h"

#include <algorithm>

#include "dde_support.h"

using namespace std::chrono_literals;

namespace markers {

std::vector<std::string> ReceivedUpToMarker(harness::Job& job, const std::string& dir,
                                            const std::string& server_log,
                                            const std::string& service) {
  static int runs = 0;
  ddetest::RunSim(job,
                  "--client --service " + service + " --topic RotServConv --exec MARK",
                  dir + "\\marker" + std::to_string(++runs) + ".log");
  std::vector<std::string> hex;
  harness::WaitUntil(
      [&] {
        hex = ddetest::ReceivedHex(harness::ReadLines(server_log));
        return std::find(hex.begin(), hex.end(), kMarkerHex) != hex.end();
      },
      10s);
  return hex;
}

std::vector<std::string> ThenMarker(std::vector<std::string> expected) {
  expected.push_back(kMarkerHex);
  return expected;
}

}  // namespace markers
