// The driver for Hamlib's rotctld (4.5 to 4.7) over a byte stream the shell opens: extended
// response mode, one command outstanding, a poll pace that follows the rotator and the
// controller, time-outs for commands rotctld does not answer, reconnection with backoff.
// Time comes in as `now`; nothing here waits or touches a socket.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "rotserver/core/direction_tracker.h"
#include "rotserver/core/rotator_driver.h"
#include "rotserver/core/rotctld_reply.h"

namespace rotserver {

struct RotctldTiming {
  Millis poll_still_ms = 1000;       // between position queries while the rotator stands
  Millis poll_turning_ms = 250;      // while it turns, and for a while after a target
  Millis settle_ms = 2000;           // no change for this long: the rotator stands
  Millis reply_timeout_ms = 3000;    // no reply by then: unsupported, or the link is hung
  Millis connect_timeout_ms = 3000;  // Open() without OnOpened/OnClosed by then: retry
};

// Pause before reconnect attempt `failures` (1 after the first failure): 250 ms doubling up
// to 4 s.
Millis ReconnectDelay(unsigned failures);

class RotctldDriver : public RotatorDriver {
 public:
  // `link` outlives the driver. The first Tick opens it. The driver may call link.Open(),
  // Write() and Close() from any of its methods; the shell may call OnClosed from inside
  // Open() or Write() when the socket fails at once.
  explicit RotctldDriver(ByteLink& link, RotctldTiming timing = {});

  void OnOpened(Millis now);
  void OnBytes(std::string_view bytes, Millis now);
  // The peer closed the connection or the socket failed; `reason` in words.
  void OnClosed(std::string reason, Millis now);

  void Tick(Millis now) override;
  void MoveTo(double azimuth, Millis now) override;
  void Stop(Millis now) override;
  DriverStatus Status() const override { return status_; }

  // Commands found unsupported (no answer in time, or RPRT -4/-11), by their long names.
  const std::set<std::string>& unsupported() const { return unsupported_; }

 private:
  enum class Phase { kWaiting, kOpening, kUp };
  struct Pending {
    RotctldCommand command;
    Millis sent_at = 0;
  };

  void Open(Millis now);
  void LinkLost(const std::string& reason, Millis now);
  void SendNext(Millis now);
  void Send(const RotctldCommand& command, Millis now);
  bool PollDue(Millis now) const;
  void TakeReplies(Millis now);
  void OnReply(const RotctldCommand& command, const RotctldReply& reply, Millis now);
  void OnPosition(const RotctldReply& reply, Millis now);
  void OnLimits(std::optional<AzimuthLimits> limits, const std::string& why);
  void OnTimeout(Millis now);
  void ShowError(std::string text, bool from_poll);

  ByteLink& link_;
  RotctldTiming timing_;
  Phase phase_ = Phase::kWaiting;
  Millis opened_at_ = 0;
  Millis reconnect_at_ = 0;
  unsigned failures_ = 0;

  std::string input_;
  std::optional<Pending> pending_;
  std::optional<RotctldCommand> queued_;  // the newest target or stop, sent before any poll
  bool limits_asked_ = false;
  std::optional<Millis> last_poll_at_;
  std::optional<Millis> activity_at_;  // the last target sent or change of the reading
  std::set<std::string> unsupported_;
  bool error_from_poll_ = false;  // a good reading clears only an error a reading caused

  DriverStatus status_;
  double elevation_ = 0;
  DirectionTracker direction_;
};

}  // namespace rotserver
