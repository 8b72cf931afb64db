// The one arbiter before the front end: every request from any door (the window, the bridge,
// each network client, the N1MM packets) comes here with who asked. The last target wins and a
// stop from any door stops; the operator may hold other programs off for a while after a turn
// from the window or from Logger32. It remembers who asked for the target shown, and which
// programs are connected, for the window. No Win32 here.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "rotserver/core/front_end.h"

namespace rotserver {

struct Asker {
  enum class Kind { kWindow, kBridge, kProgram };
  Kind kind = Kind::kWindow;
  std::string name;  // how the window names it: "127.0.0.1:53122", "N1MM Tower"; "" for the window
};

class Arbiter {
 public:
  // `hold_off_s` 0: programs are never held off.
  explicit Arbiter(int hold_off_s = 0) : hold_off_ms_(static_cast<Millis>(hold_off_s) * 1000) {}

  void HoldOff(int hold_off_s) { hold_off_ms_ = static_cast<Millis>(hold_off_s) * 1000; }
  TurnOutcome Carry(FrontEnd& front, const Asker& asker, const DoorRequest& request, Millis now);

  // Who asked for the target now shown: "" when nobody or the window did.
  const std::string& TargetFrom() const { return target_from_; }

  // A program that stays connected (a TCP client) until it goes.
  void Connected(const std::string& name);
  void Disconnected(const std::string& name);
  // A program heard without a connection (UDP packets): listed for a minute after its last.
  void Heard(const std::string& name, Millis now);
  // In the order they came, the connected first.
  std::vector<std::string> Programs(Millis now) const;

 private:
  Millis hold_off_ms_;
  std::optional<Millis> held_until_;
  std::string target_from_;
  std::vector<std::string> connected_;
  std::map<std::string, Millis> heard_;
};

}  // namespace rotserver
