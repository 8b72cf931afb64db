// A network client's bytes cut into lines, within bounds: a line longer than the limit is
// dropped whole (its bytes skipped up to its end), and a client gets at most so many lines a
// second answered; past that its lines wait, and the shell stops reading from it meanwhile, so
// TCP itself holds a flooding client back while the others, the window and the bridge go on.
// No Win32 here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/rotator_driver.h"

namespace rotserver {

struct ClientBounds {
  std::size_t max_line = 1024;     // bytes, without the line's end
  double lines_per_s = 50;         // answered lines, on average
  double burst = 50;               // answered at once after a quiet spell
  std::size_t max_waiting = 4096;  // bytes of whole lines held before reading stops
};

class ClientLines {
 public:
  explicit ClientLines(ClientBounds bounds = {}) : bounds_(bounds), budget_(bounds.burst) {}

  // Whether the shell may read more from the client now.
  bool WantsBytes() const { return waiting_.size() < bounds_.max_waiting; }
  void Add(std::string_view bytes);
  // The next whole line (without CR LF) while the budget allows; the budget fills with time.
  std::optional<std::string> Next(Millis now);

  // For the log, each counted once: lines dropped for their length, and whether the client has
  // just been held back for sending too fast.
  std::size_t TakeDropped();
  bool TakeThrottled();

 private:
  ClientBounds bounds_;
  std::string waiting_;    // whole lines, each ending LF
  std::string partial_;    // the line under way
  bool skipping_ = false;  // inside an overlong line
  std::size_t dropped_ = 0;
  double budget_;
  std::optional<Millis> filled_at_;
  bool throttled_ = false, throttle_reported_ = false;
};

}  // namespace rotserver
