// The door for N1MM-style rotor packets (UDP): a contest logger's turn and stop commands for a
// rotor it names, and the status datagrams that tell it the heading ("Tower @ 1230", tenths of a
// degree). The parser is strict and bounded: the published elements in their order, nothing
// else; anything else is dropped with the reason. No Win32 here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "rotserver/core/front_end.h"

namespace rotserver {

inline constexpr std::size_t kMaxN1mmPacket = 1024;

struct N1mmPacket {
  enum class Kind { kTurn, kStop, kOtherRotor, kMalformed };
  Kind kind = Kind::kMalformed;
  std::string rotor;
  double azimuth = 0;          // kTurn: compass degrees, the offset added, 0..360
  bool bidirectional = false;  // kTurn: either end of the antenna may point there
  std::string reason;          // kMalformed: in words
};

// `our_rotor`: this rotor's name; a packet for another (compared without regard to case) is
// kOtherRotor.
N1mmPacket ParseN1mmPacket(std::string_view datagram, std::string_view our_rotor);

// The request for a kTurn or kStop packet; a bidirectional antenna turns to the nearer of the
// heading and its opposite, from `current` (compass) when there is a reading.
DoorRequest N1mmRequest(const N1mmPacket& packet, std::optional<double> current);

// "NAME @ 1230": the heading in tenths of a degree.
std::string N1mmStatus(std::string_view rotor, double compass_deg);

}  // namespace rotserver
