#include "rotserver/core/rotctld_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rotserver {

namespace {

constexpr std::size_t kMaxInput = 64 * 1024;  // more without a report: not rotctld
constexpr AzimuthLimits kAssumedLimits{0, 360};

int SecondsUntil(Millis now, Millis then) {
  return then <= now ? 0 : static_cast<int>((then - now + 999) / 1000);
}

std::string Degrees(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

bool NotImplemented(int code) {
  return code == -4 || code == -11;
}

}  // namespace

Millis ReconnectDelay(unsigned failures) {
  if (failures == 0) return 0;
  unsigned shift = std::min(failures - 1, 4u);
  return std::min<Millis>(Millis{250} << shift, 4000);
}

RotctldDriver::RotctldDriver(ByteLink& link, RotctldTiming timing) : link_(link), timing_(timing) {}

void RotctldDriver::Tick(Millis now) {
  switch (phase_) {
    case Phase::kWaiting:
      if (now >= reconnect_at_)
        Open(now);
      else
        status_.reconnect_in_s = SecondsUntil(now, reconnect_at_);
      break;
    case Phase::kOpening:
      if (now - opened_at_ >= timing_.connect_timeout_ms)
        LinkLost("no connection within " + std::to_string(timing_.connect_timeout_ms / 1000) + " s",
                 now);
      break;
    case Phase::kUp:
      if (pending_ && now - pending_->sent_at >= timing_.reply_timeout_ms) OnTimeout(now);
      SendNext(now);
      break;
  }
}

void RotctldDriver::Open(Millis now) {
  phase_ = Phase::kOpening;
  opened_at_ = now;
  status_.link = LinkState::kConnecting;
  status_.reconnect_in_s = 0;
  link_.Open();
}

void RotctldDriver::OnOpened(Millis now) {
  if (phase_ != Phase::kOpening) return;
  phase_ = Phase::kUp;
  input_.clear();
  limits_asked_ = false;
  last_poll_at_.reset();
  status_.link = LinkState::kConnected;
  status_.last_error.clear();
  error_from_poll_ = false;
  SendNext(now);
}

void RotctldDriver::OnClosed(std::string reason, Millis now) {
  if (phase_ == Phase::kWaiting) return;
  if (reason.empty()) reason = "rotctld closed the connection";
  if (pending_) reason += " (during " + pending_->command.name + ")";
  LinkLost(reason, now);
}

void RotctldDriver::LinkLost(const std::string& reason, Millis now) {
  phase_ = Phase::kWaiting;
  link_.Close();
  // Nothing asked before the loss is sent again: a target from then may be long out of date.
  pending_.reset();
  queued_.reset();
  input_.clear();
  activity_at_.reset();
  direction_.Reset();
  status_.direction = 0;
  ++failures_;
  reconnect_at_ = now + ReconnectDelay(failures_);
  status_.link = LinkState::kReconnecting;
  status_.reconnect_in_s = SecondsUntil(now, reconnect_at_);
  status_.last_error = reason;
  error_from_poll_ = false;
}

void RotctldDriver::MoveTo(double azimuth, Millis now) {
  if (phase_ != Phase::kUp) return;  // never kept for later
  queued_ = SetPosCommand(azimuth, elevation_);
  activity_at_ = now;
  SendNext(now);
}

void RotctldDriver::Stop(Millis now) {
  if (phase_ != Phase::kUp) return;
  if (!unsupported_.count("stop")) {
    queued_ = StopCommand();
  } else if (status_.azimuth) {
    queued_ = SetPosCommand(*status_.azimuth, elevation_);  // hold where it stands
  } else {
    queued_.reset();
  }
  SendNext(now);
}

bool RotctldDriver::PollDue(Millis now) const {
  if (!last_poll_at_) return true;
  bool turning = activity_at_ && now - *activity_at_ < timing_.settle_ms;
  return now - *last_poll_at_ >= (turning ? timing_.poll_turning_ms : timing_.poll_still_ms);
}

void RotctldDriver::SendNext(Millis now) {
  // One command at a time: rotctld answers in order, and a slow controller sets the pace.
  if (phase_ != Phase::kUp || pending_) return;
  if (!limits_asked_) {
    limits_asked_ = true;
    Send(DumpStateCommand(), now);
  } else if (queued_) {
    RotctldCommand command = std::move(*queued_);
    queued_.reset();
    Send(command, now);
  } else if (PollDue(now)) {
    last_poll_at_ = now;
    Send(GetPosCommand(), now);
  }
}

void RotctldDriver::Send(const RotctldCommand& command, Millis now) {
  pending_ = Pending{command, now};
  link_.Write(command.line);
}

void RotctldDriver::OnBytes(std::string_view bytes, Millis now) {
  if (phase_ != Phase::kUp) return;
  input_.append(bytes);
  TakeReplies(now);
  if (phase_ == Phase::kUp && input_.size() > kMaxInput) {
    LinkLost("rotctld sends no readable replies", now);
    return;
  }
  SendNext(now);
}

void RotctldDriver::TakeReplies(Millis now) {
  while (phase_ == Phase::kUp) {
    std::optional<RotctldReply> reply = TakeReply(input_);
    if (!reply) return;
    // A late answer to a command given up on names another command: dropped.
    if (!pending_ || reply->name != pending_->command.name) continue;
    RotctldCommand command = std::move(pending_->command);
    pending_.reset();
    OnReply(command, *reply, now);
  }
}

void RotctldDriver::OnReply(const RotctldCommand& command, const RotctldReply& reply, Millis now) {
  if (NotImplemented(reply.code)) unsupported_.insert(command.name);
  switch (command.verb) {
    case RotctldVerb::kDumpState:
      OnLimits(reply.code == 0 ? ParseDumpState(reply.lines) : std::nullopt,
               reply.code == 0 ? "unreadable" : ReportText(reply.code));
      break;
    case RotctldVerb::kGetPos:
      OnPosition(reply, now);
      break;
    case RotctldVerb::kSetPos:
      // Refused targets (out of range: RPRT -1 up to 4.5, -21 from 4.6) are shown, not retried.
      if (reply.code == 0)
        ShowError("", false);
      else
        ShowError("target " + Degrees(command.azimuth) + " refused: " + ReportText(reply.code),
                  false);
      break;
    case RotctldVerb::kStop:
      ShowError(reply.code == 0 ? "" : "stop refused: " + ReportText(reply.code), false);
      break;
    case RotctldVerb::kGetInfo:
      break;
  }
}

void RotctldDriver::OnPosition(const RotctldReply& reply, Millis now) {
  std::optional<Position> position = reply.code == 0 ? ParsePosition(reply.lines) : std::nullopt;
  if (!position) {
    ShowError("position query: " + (reply.code ? ReportText(reply.code) : "unreadable answer"),
              true);
    return;
  }
  failures_ = 0;  // a reading proves the whole chain works
  if (error_from_poll_) ShowError("", false);
  if (status_.azimuth && std::fabs(*status_.azimuth - position->azimuth) >= 0.05)
    activity_at_ = now;
  status_.azimuth = position->azimuth;
  status_.reading_at = now;
  elevation_ = position->elevation;
  status_.direction = direction_.Update(static_cast<int>(std::lround(position->azimuth * 10)));
}

void RotctldDriver::OnLimits(std::optional<AzimuthLimits> limits, const std::string& why) {
  if (!limits) {
    limits = kAssumedLimits;
    ShowError("range from dump_state " + why + ": taken as 0..360", false);
  }
  status_.limits_min = limits->min_az;
  status_.limits_max = limits->max_az;
}

void RotctldDriver::OnTimeout(Millis now) {
  const std::string name = pending_->command.name;
  const RotctldVerb verb = pending_->command.verb;
  std::string seconds = std::to_string(timing_.reply_timeout_ms / 1000) + " s";
  if (verb == RotctldVerb::kGetPos || verb == RotctldVerb::kSetPos) {
    // Without these nothing works: the daemon or the link is hung.
    LinkLost("no answer to " + name + " within " + seconds, now);
    return;
  }
  // rotctld answers a command it does not know with nothing at all.
  pending_.reset();
  unsupported_.insert(name);
  if (verb == RotctldVerb::kDumpState)
    OnLimits(std::nullopt, "not answered");
  else
    ShowError("rotctld does not answer " + name + ": taken as unsupported", false);
}

void RotctldDriver::ShowError(std::string text, bool from_poll) {
  status_.last_error = std::move(text);
  error_from_poll_ = from_poll && !status_.last_error.empty();
}

}  // namespace rotserver
