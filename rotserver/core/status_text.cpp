#include "rotserver/core/status_text.h"

#include <cmath>

namespace rotserver {

namespace {

std::string LinkWords(const ViewState& state) {
  switch (state.link) {
    case LinkState::kConnected:
      return "connected";
    case LinkState::kConnecting:
      return "connecting";
    case LinkState::kReconnecting:
      return "reconnecting in " +
             std::to_string(state.reconnect_in_s < 0 ? 0 : state.reconnect_in_s) + " s";
    case LinkState::kFailed:
      return state.last_error.empty() ? "not working" : std::string();
  }
  return {};
}

}  // namespace

std::string StatusLine(const ViewState& state) {
  std::string words = LinkWords(state);
  if (!state.last_error.empty()) {
    // A failed link is told by its error alone; otherwise the error qualifies the link.
    words = words.empty() ? state.last_error : words + " (" + state.last_error + ")";
  }
  if (state.backend_label.empty()) return words;
  return state.backend_label + ": " + words;
}

std::string StaleText(const ViewState& state) {
  if (!state.azimuth) return "no reading yet";
  if (!state.stale) return {};
  return "no reading for " +
         std::to_string(state.seconds_since_reading < 0 ? 0 : state.seconds_since_reading) + " s";
}

}  // namespace rotserver
