// The bridge's door: what its target commands on "RotServConv" ask for, and the status macros
// on "AntDaten" that report the latest reading to it. The bridge's stop (its lime panel) sends
// back an azimuth it was shown a moment ago, so the door keeps the last few it reported and
// reads such a target as a stop. No Win32 here.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/front_end.h"

namespace rotserver {

// Where the rotator's end stop lies, as the bridge's status macro tells it (its line 7):
// 0 for a stop in the south half (a -180..180 rotator), 1 for one in the north half (0..360,
// 0..450). `min_az` is the rotator's lower limit, `offset_deg` the calibration offset.
int RangeModeFor(double min_az, int offset_deg);

class BridgeDoor {
 public:

  // The bytes as executed. The greeting is kNothing; anything that is no target command, and
  // targets beyond 3600 tenths either way, are kBad with the reason.
  DoorRequest OnCommand(std::string_view bytes) const;
  // Ten lines, each ending CR LF (the caller adds the NUL): the reading as compass tenths, the
  // turning direction, the range mode (from `limits`, compass degrees; 1 while unknown); the
  // off mark without a live reading.
  std::string StatusMacro(const std::optional<Reading>& reading,
                          const std::optional<Range>& limits);

 private:
  std::deque<int> recent_tenths_;  // line 1 of the last status macros that had a reading
};

}  // namespace rotserver
