#include "rotserver/core/heading_text.h"

#include <cctype>
#include <cmath>

#include "rotserver/core/rose_geometry.h"
#include "rotserver/core/status_text.h"

namespace rotserver {

namespace {

constexpr char kDegree[] = "\xC2\xB0";
constexpr char kArrow[] = "\xE2\x86\x92";

int Whole(double deg) {
  return static_cast<int>(std::lround(NormalizeCompass(deg))) % 360;
}

// 6480 -> "6,480": thousands apart, read at a glance.
std::string Grouped(long value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<size_t>(at), 1, ',');
  return digits;
}

}  // namespace

std::string HeadingDegrees(const ViewState& state) {
  if (!state.azimuth) return "---";
  return std::to_string(Whole(*state.azimuth)) + kDegree;
}

std::string TargetWords(const ViewState& state) {
  if (!state.target) return {};
  return std::string(kArrow) + " " + std::to_string(Whole(*state.target)) + kDegree;
}

std::string ElevationWords(const ViewState& state) {
  if (!state.elevation) return {};
  return "El " + std::to_string(std::lround(*state.elevation)) + kDegree;
}

std::string ActivityWords(const ViewState& state) {
  if (!state.azimuth || state.stale) return StaleText(state);
  if (state.direction > 0) return "turning right";
  if (state.direction < 0) return "turning left";
  return "stopped";
}

std::string BridgeWords(const ViewState& state) {
  return state.bridge_linked ? "Logger32-Vexal: linked" : "Logger32-Vexal: not running";
}

LinkMark MarkOf(LinkState link) {
  switch (link) {
    case LinkState::kConnected:
      return LinkMark::kGood;
    case LinkState::kConnecting:
    case LinkState::kReconnecting:
      return LinkMark::kTrying;
    case LinkState::kFailed:
      break;
  }
  return LinkMark::kFault;
}

std::string BearingWords(int bearing_deg) {
  return std::to_string(bearing_deg) + kDegree;
}

std::string SpotWords(const MapSpot& spot) {
  return BearingWords(Whole(spot.bearing_deg)) + "  " + Grouped(std::lround(spot.km)) + " km  " +
         LocatorOf(spot.place);
}

std::optional<int> ParseBearing(std::string_view text, std::string* error) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  int value = 0;
  bool ok = !text.empty() && text.size() <= 3;
  for (char c : text) {
    ok = ok && c >= '0' && c <= '9';
    value = value * 10 + (c - '0');
  }
  if (!ok || value > 360) {
    if (error) *error = "Bearings are whole degrees, 0 to 360.";
    return std::nullopt;
  }
  return value % 360;
}

int Nudged(double from, int step) {
  return Whole(std::lround(from) + step);
}

}  // namespace rotserver
