// What RotServer's window shows of the rotator: filled by the backend side, drawn by the
// window. Plain data, no Win32.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rotserver {

enum class LinkState {
  kConnected,     // readings arrive
  kConnecting,    // first attempt under way
  kReconnecting,  // waiting `reconnect_in_s` before the next attempt
  kFailed,        // gave up for now or misconfigured; `last_error` says why
};

struct ViewState {
  std::string backend_label;  // "rotctld 127.0.0.1:4533", "simulated"
  LinkState link = LinkState::kConnecting;
  int reconnect_in_s = 0;     // with kReconnecting
  std::string last_error;     // in words, with rotctld's "RPRT -n" where it gave one; may be empty
  // Compass degrees 0..360 with the calibration offset applied; nothing before the first reading.
  std::optional<double> azimuth;
  bool stale = false;             // no reading for `seconds_since_reading` (shown greyed)
  int seconds_since_reading = 0;  // with stale
  std::optional<double> target;   // compass degrees, pending or last sent, offset applied
  int direction = 0;              // -1 turning left (anticlockwise), 1 right, 0 still
  // Degrees above the horizon, only from a rotator with an elevation axis.
  std::optional<double> elevation;
  // The rotator's mechanical range in its own frame (degrees, e.g. -180..180, 0..450).
  double min_az = 0;
  double max_az = 360;
  // The calibration offset: compass = rotator azimuth + offset (mod 360), to draw the range.
  int offset_deg = 0;
  bool bridge_linked = false;  // Logger32-Vexal holds its status link to RotServer
  std::string target_from;     // who asked for the target: "127.0.0.1:53122", "Logger32"; "" the window
  std::vector<std::string> programs;  // other programs connected through the network doors
  bool simulated = false;      // the simulated rotator, not a real one, is turning
};

}  // namespace rotserver
