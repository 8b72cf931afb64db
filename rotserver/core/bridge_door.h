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

class BridgeDoor {
 public:
  explicit BridgeDoor(int range_mode) : range_mode_(range_mode) {}

  // The bytes as executed. The greeting is kNothing; anything that is no target command, and
  // targets beyond 3600 tenths either way, are kBad with the reason.
  DoorRequest OnCommand(std::string_view bytes) const;
  // Ten lines, each ending CR LF (the caller adds the NUL): the reading as compass tenths, the
  // turning direction, the range mode; the off mark without a live reading.
  std::string StatusMacro(const std::optional<Reading>& reading);

 private:
  int range_mode_;
  std::deque<int> recent_tenths_;  // line 1 of the last status macros that had a reading
};

}  // namespace rotserver
