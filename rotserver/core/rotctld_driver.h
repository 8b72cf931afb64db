// The driver for Hamlib's rotctld (4.5 to 4.7) over a byte stream the shell opens: extended
// response mode, one command outstanding, a poll pace that follows the rotator and the
// controller, time-outs for commands rotctld does not answer, reconnection with backoff.
// Time comes in as `now`; nothing here waits or touches a socket.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "rotserver/core/direction_tracker.h"
#include "rotserver/core/plausibility.h"
#include "rotserver/core/rotator_driver.h"
#include "rotserver/core/rotctld_reply.h"

namespace rotserver {

struct RotctldTiming {
  Millis poll_still_ms = 1000;   // between position queries while the rotator stands
  Millis poll_turning_ms = 250;  // while it turns, and for a while after a target
  Millis settle_ms = 2000;       // no change for this long: the rotator stands
  // The reply limit: three times the slowest reply seen on this connection, within these
  // bounds. Hamlib's drivers retry a silent controller for up to about 3 s before rotctld
  // answers RPRT -5; a rotctld that answers nothing is still found within the upper bound.
  Millis reply_timeout_ms = 6000;
  Millis reply_timeout_max_ms = 30000;
  Millis connect_timeout_ms = 3000;  // Open() without OnOpened/OnClosed by then: retry
  Millis stable_link_ms = 30000;     // a connection up this long ends the reconnect backoff
};

// Pause before reconnect attempt `failures` (1 after the first failure): 250 ms doubling up
// to 4 s.
Millis ReconnectDelay(unsigned failures);

class RotctldDriver : public RotatorDriver {
 public:
  // `link` outlives the driver. The first Tick opens it. The driver may call link.Open(),
  // Write() and Close() from any of its methods; the shell may call OnClosed from inside
  // Open() or Write() when the socket fails at once. `configured_range`: the operator's range,
  // used when rotctld's own cannot be believed.
  explicit RotctldDriver(ByteLink& link, RotctldTiming timing = {},
                         std::optional<AzimuthLimits> configured_range = std::nullopt);

  void OnOpened(Millis now);
  void OnBytes(std::string_view bytes, Millis now);
  // The peer closed the connection or the socket failed; `reason` in words.
  void OnClosed(std::string reason, Millis now);

  void Tick(Millis now) override;
  void MoveTo(double azimuth, std::optional<double> elevation, Millis now) override;
  void Stop(Millis now) override;
  DriverStatus Status() const override { return status_; }

  // Told why the driver itself ends the link (time-out, oversized input, protocol fault).
  std::function<void(const std::string& reason)> on_dropped;

 private:
  enum class Phase { kWaiting, kOpening, kUp };
  // Which kind of event put the error on show: a later good event of the same kind clears it.
  enum class ErrorSource { kNone, kPoll, kLimits, kDrops, kStop, kOther };
  struct Pending {
    RotctldCommand command;
    Millis sent_at = 0;
  };

  void Open(Millis now);
  // The reply limit now: it grows with the slowest reply seen on this connection.
  Millis ReplyLimit() const;
  void LinkLost(std::string reason, Millis now, bool by_peer);
  void DropLink(const std::string& reason, Millis now);
  void SendNext(Millis now);
  void Send(const RotctldCommand& command, Millis now);
  bool PollDue(Millis now) const;
  void TakeReplies(Millis now);
  bool TakeLate(const RotctldReply& reply, Millis now);
  void NotUnderstood(const RotctldReply& reply);
  void OnReply(const RotctldCommand& command, const RotctldReply& reply, Millis now);
  void OnSetPos(const RotctldCommand& command, const RotctldReply& reply);
  void OnPosition(const RotctldReply& reply, Millis now);
  void ForgetReading(std::string why);
  void OnLimits(const std::optional<DumpStateLimits>& limits, const std::string& why);
  double ElevationFor(std::optional<double> asked) const;
  void OnTimeout(Millis now);
  void NoteLinkUp(Millis now);
  std::string DropsText(Millis now) const;
  void ShowError(std::string text, ErrorSource source);

  ByteLink& link_;
  RotctldTiming timing_;
  std::optional<AzimuthLimits> configured_range_;
  Phase phase_ = Phase::kWaiting;
  Millis opened_at_ = 0;
  Millis up_since_ = 0;
  Millis reconnect_at_ = 0;
  unsigned failures_ = 0;
  unsigned drops_ = 0;      // connections rotctld closed before they were up for long
  Millis drops_since_ = 0;  // when the first of them was opened

  std::string input_;
  std::optional<Pending> pending_;
  std::deque<Pending> late_;              // given up on; their replies may still come, in order
  std::optional<RotctldCommand> queued_;  // the newest target or stop, sent before any poll
  bool limits_asked_ = false;
  RangeInUse range_;  // from \dump_state as judged; its note stands while no error does
  Millis slowest_reply_ms_ = 0;
  std::optional<Millis> last_poll_at_;
  std::optional<Millis> activity_at_;      // the last target sent or change of the reading
  std::optional<Millis> link_reading_at_;  // the last plausible reading on this connection
  std::set<std::string> unsupported_;      // what rotctld does not implement (RPRT -4/-11) here
  ErrorSource error_source_ = ErrorSource::kNone;

  DriverStatus status_;
  double elevation_ = 0;  // as last read, whatever the axes
  DirectionTracker direction_;
};

}  // namespace rotserver
