// The driver for Hamlib's rotctld (4.5 to 4.7) over a byte stream the shell opens: extended
// response mode, one command outstanding, a poll pace that follows the rotator and the
// controller, time-outs for commands rotctld does not answer, reconnection with backoff.
// Time comes in as `now`; nothing here waits or touches a socket.
#pragma once

#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "core/rotator_driver.h"
#include "core/rotctld_reply.h"

namespace rotserver {

struct RotctldTiming {
  Millis poll_still_ms = 1000;   // between position queries while the rotator stands
  Millis poll_turning_ms = 250;  // while it turns or a target is pending
  Millis reply_timeout_ms = 3000;    // no reply by then: unsupported, or the link is hung
  Millis connect_timeout_ms = 3000;  // Open() without OnOpened/OnClosed by then: retry
};

class RotctldDriver : public RotatorDriver {
 public:
  // `link` outlives the driver. The first Tick opens it. The driver calls link.Close() itself
  // when it gives a connection up; the shell then does not call OnClosed for it.
  explicit RotctldDriver(ByteLink& link, RotctldTiming timing = {});

  void OnOpened(Millis now);
  void OnBytes(std::string_view bytes, Millis now);
  // The peer closed the connection or the socket failed; `reason` in words.
  void OnClosed(std::string reason, Millis now);

  void Tick(Millis now) override;
  void MoveTo(double azimuth, Millis now) override;
  void Stop(Millis now) override;
  DriverStatus Status() const override;

  // Commands found unsupported (no answer in time, or RPRT -11/-4), by their long names.
  const std::set<std::string>& unsupported() const { return unsupported_; }

 private:
  struct Pending {
    RotctldCommand command;
    Millis sent_at = 0;
  };

  enum class Phase { kIdle, kOpening, kUp, kWaiting };

  void Open(Millis now);
  void LinkLost(const std::string& reason, Millis now);
  void SendNext(Millis now);
  void Send(RotctldCommand command, Millis now);
  void TakeReplies(Millis now);
  void OnReply(const Pending& pending, const RotctldReply& reply, Millis now);
  void OnTimeout(Millis now);
  Millis PollPeriod() const;
  bool Turning() const;

  ByteLink& link_;
  RotctldTiming timing_;
  Phase phase_ = Phase::kIdle;
  Millis phase_since_ = 0;
  Millis reconnect_at_ = 0;
  unsigned failures_ = 0;

  std::string input_;
  std::optional<Pending> pending_;
  std::optional<RotctldCommand> queued_move_;  // the newest target or stop, sent next
  Millis last_poll_at_ = 0;
  bool polled_once_ = false;
  bool limits_known_ = false;
  std::set<std::string> unsupported_;

  DriverStatus status_;
  std::optional<double> target_;  // a target sent and not reached yet
  double elevation_ = 0;
  Millis moved_at_ = 0;           // the last reading that differed from the one before
};

}  // namespace rotserver
