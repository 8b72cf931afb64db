#include "rotserver/core/n1mm_door.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "rotserver/core/bridge_macro.h"
#include "rotserver/core/plain_text.h"
#include "toolkit/byte_text.h"

namespace rotserver {

namespace {

constexpr std::size_t kMaxValue = 32;

// Reads "<name>value</name>" at the front of `text`, with nothing between the elements.
bool TakeElement(std::string_view* text, std::string_view name, std::string_view* value) {
  const std::string open = "<" + std::string(name) + ">";
  const std::string close = "</" + std::string(name) + ">";
  if (text->substr(0, open.size()) != open) return false;
  std::size_t end = text->find(close, open.size());
  if (end == std::string_view::npos) return false;
  *value = text->substr(open.size(), end - open.size());
  if (value->size() > kMaxValue || value->find('<') != std::string_view::npos) return false;
  text->remove_prefix(end + close.size());
  return true;
}

N1mmPacket Malformed(std::string_view datagram, const std::string& why) {
  N1mmPacket packet;
  packet.reason = why + ": \"" + toolkit::EscapedText(datagram, 60) + "\"";
  return packet;
}

}  // namespace

N1mmPacket ParseN1mmPacket(std::string_view datagram, std::string_view our_rotor) {
  if (datagram.size() > kMaxN1mmPacket) return Malformed(datagram, "rotor packet too long");
  std::string_view text = datagram;
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == '\0'))
    text.remove_suffix(1);
  std::string_view body, rotor, stop_body, goazi, offset, bidirectional, freqband;
  constexpr std::string_view kOpen = "<N1MMRotor>", kClose = "</N1MMRotor>";
  if (text.substr(0, kOpen.size()) != kOpen || text.size() < kOpen.size() + kClose.size() ||
      text.substr(text.size() - kClose.size()) != kClose)
    return Malformed(datagram, "not an N1MM rotor packet");
  body = text.substr(kOpen.size(), text.size() - kOpen.size() - kClose.size());
  N1mmPacket packet;
  const bool is_stop = body.substr(0, 6) == "<stop>";
  if (is_stop) {
    constexpr std::string_view kStopClose = "</stop>";
    if (body.size() < 6 + kStopClose.size() ||
        body.substr(body.size() - kStopClose.size()) != kStopClose)
      return Malformed(datagram, "stop packet without its end");
    stop_body = body.substr(6, body.size() - 6 - kStopClose.size());
    if (!TakeElement(&stop_body, "rotor", &rotor) ||
        !TakeElement(&stop_body, "freqband", &freqband) || !stop_body.empty())
      return Malformed(datagram, "stop packet not in the published form");
  } else if (!TakeElement(&body, "rotor", &rotor) || !TakeElement(&body, "goazi", &goazi) ||
             !TakeElement(&body, "offset", &offset) ||
             !TakeElement(&body, "bidirectional", &bidirectional) ||
             !TakeElement(&body, "freqband", &freqband) || !body.empty()) {
    return Malformed(datagram, "turn packet not in the published form");
  }
  if (!FiniteNumber(freqband)) return Malformed(datagram, "band is not a number");
  packet.rotor = std::string(rotor);
  if (rotor.empty()) return Malformed(datagram, "no rotor name");
  if (Lower(rotor) != Lower(our_rotor)) {
    packet.kind = N1mmPacket::Kind::kOtherRotor;
    return packet;
  }
  if (is_stop) {
    packet.kind = N1mmPacket::Kind::kStop;
    return packet;
  }
  std::optional<double> heading = FiniteNumber(goazi);
  std::optional<double> shift = FiniteNumber(offset);
  if (!heading || *heading < 0 || *heading > 360)
    return Malformed(datagram, "heading not within 0..360");
  if (!shift || std::fabs(*shift) > 360) return Malformed(datagram, "offset not within -360..360");
  if (bidirectional != "0" && bidirectional != "1")
    return Malformed(datagram, "bidirectional is neither 0 nor 1");
  packet.kind = N1mmPacket::Kind::kTurn;
  packet.azimuth = WrappedDegrees(*heading + *shift);
  packet.bidirectional = bidirectional == "1";
  return packet;
}

DoorRequest N1mmRequest(const N1mmPacket& packet, std::optional<double> current) {
  DoorRequest request;
  if (packet.kind == N1mmPacket::Kind::kStop) {
    request.kind = DoorRequest::Kind::kStop;
  } else if (packet.kind == N1mmPacket::Kind::kTurn) {
    request.kind = DoorRequest::Kind::kTurn;
    request.azimuth = packet.azimuth;
    if (packet.bidirectional && current) {
      const double opposite = WrappedDegrees(packet.azimuth + 180);
      auto away = [&](double to) {
        double d = std::fabs(WrappedDegrees(to - *current));
        return std::min(d, 360 - d);
      };
      if (away(opposite) < away(packet.azimuth)) request.azimuth = opposite;
    }
  }
  return request;
}

std::string N1mmStatus(std::string_view rotor, double compass_deg) {
  return std::string(rotor) + " @ " + std::to_string(CompassTenths(compass_deg));
}

}  // namespace rotserver
