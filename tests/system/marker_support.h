// Checks that nothing more reached the rotator server, exact instead of timed: a client of the
// test's own executes a marker on the server after the steps under test, and the check reads
// the server's log up to that marker.
#pragma once

#include <string>
#include <vector>

#include "harness.h"

namespace markers {

// "MARK" and its NUL, as the rotator server logs the execute.
inline const std::string kMarkerHex = "4D 41 52 4B 00";

// Executes the marker on `service`'s "RotServConv" and waits until the server has logged it;
// returns every execute the server logged, the marker last. An execute that the bridge started
// before lies before the marker: both wait in the server's message queue in the order they were
// posted. A status macro that the bridge has answered counts as handled for this purpose, since
// the bridge sends a command while it handles the macro.
std::vector<std::string> ReceivedUpToMarker(harness::Job& job, const std::string& dir,
                                            const std::string& server_log,
                                            const std::string& service = "rotator-sim");

// `expected` with the marker appended: what ReceivedUpToMarker gives when nothing else came.
std::vector<std::string> ThenMarker(std::vector<std::string> expected);

}  // namespace markers
