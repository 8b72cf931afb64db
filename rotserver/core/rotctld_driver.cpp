#include "rotserver/core/rotctld_driver.h"

#include <algorithm>
#include <cmath>

#include "toolkit/byte_text.h"

namespace rotserver {

namespace {

constexpr std::size_t kMaxInput = 64 * 1024;  // more without a report: not rotctld
constexpr std::size_t kMaxLate = 4;           // given-up commands whose replies are awaited

int SecondsUntil(Millis now, Millis then) {
  return then <= now ? 0 : static_cast<int>((then - now + 999) / 1000);
}

bool NotImplemented(int code) {
  return code == -4 || code == -11;
}

// A reply as it arrived, shortened, for the status line.
std::string ReplyText(const RotctldReply& reply) {
  return "\"" + toolkit::EscapedText(reply.raw, 60) + "\"";
}

}  // namespace

Millis ReconnectDelay(unsigned failures) {
  if (failures == 0) return 0;
  unsigned shift = std::min(failures - 1, 4u);
  return std::min<Millis>(Millis{250} << shift, 4000);
}

RotctldDriver::RotctldDriver(ByteLink& link, RotctldTiming timing,
                             std::optional<AzimuthLimits> configured_range)
    : link_(link), timing_(timing), configured_range_(configured_range) {}

Millis RotctldDriver::ReplyLimit() const {
  return std::clamp(3 * slowest_reply_ms_, timing_.reply_timeout_ms,
                    std::max(timing_.reply_timeout_ms, timing_.reply_timeout_max_ms));
}

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
        DropLink("no connection within " + std::to_string(timing_.connect_timeout_ms / 1000) + " s",
                 now);
      break;
    case Phase::kUp:
      NoteLinkUp(now);
      if (pending_ && now - pending_->sent_at >= ReplyLimit()) OnTimeout(now);
      SendNext(now);
      break;
  }
}

void RotctldDriver::NoteLinkUp(Millis now) {
  // Only a connection that stays up proves the daemon well: one good reading does not.
  if (now - up_since_ < timing_.stable_link_ms) return;
  failures_ = 0;
  drops_ = 0;
  if (error_source_ == ErrorSource::kDrops) ShowError("", ErrorSource::kNone);
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
  up_since_ = now;
  input_.clear();
  late_.clear();
  // What the last connection learned may not hold for this one (another daemon, another
  // controller behind it).
  unsupported_.clear();
  slowest_reply_ms_ = 0;
  limits_asked_ = false;
  last_poll_at_.reset();
  link_reading_at_.reset();
  status_.link = LinkState::kConnected;
  if (drops_ >= 2)
    ShowError(DropsText(now), ErrorSource::kDrops);
  else
    ShowError("", ErrorSource::kNone);
  SendNext(now);
}

void RotctldDriver::OnClosed(std::string reason, Millis now) {
  if (phase_ == Phase::kWaiting) return;
  if (reason.empty()) reason = "rotctld closed the connection";
  if (pending_) reason += " (during " + pending_->command.name + ")";
  LinkLost(std::move(reason), now, true);
}

void RotctldDriver::DropLink(const std::string& reason, Millis now) {
  if (on_dropped) on_dropped(reason);
  LinkLost(reason, now, false);
}

void RotctldDriver::LinkLost(std::string reason, Millis now, bool by_peer) {
  if (phase_ == Phase::kUp && now - up_since_ < timing_.stable_link_ms && by_peer) {
    if (drops_ == 0) drops_since_ = up_since_;
    ++drops_;
  }
  phase_ = Phase::kWaiting;
  link_.Close();
  // Nothing asked before the loss is sent again: a target from then may be long out of date.
  pending_.reset();
  late_.clear();
  queued_.reset();
  input_.clear();
  activity_at_.reset();
  link_reading_at_.reset();
  direction_.Reset();
  status_.direction = 0;
  ++failures_;
  reconnect_at_ = now + ReconnectDelay(failures_);
  status_.link = LinkState::kReconnecting;
  status_.reconnect_in_s = SecondsUntil(now, reconnect_at_);
  if (drops_ >= 2) {
    ShowError(DropsText(now) + ": " + reason, ErrorSource::kDrops);
  } else {
    ShowError(std::move(reason), ErrorSource::kOther);
  }
}

std::string RotctldDriver::DropsText(Millis now) const {
  Millis minutes = std::max<Millis>(1, (now - drops_since_ + 59999) / 60000);
  return "rotctld keeps dropping the connection (" + std::to_string(drops_) + " times in " +
         std::to_string(minutes) + " min)";
}

void RotctldDriver::MoveTo(double azimuth, std::optional<double> elevation, Millis now) {
  if (phase_ != Phase::kUp) return;  // never kept for later
  queued_ = SetPosCommand(azimuth, ElevationFor(elevation));
  activity_at_ = now;
  SendNext(now);
}

void RotctldDriver::Stop(Millis now) {
  if (phase_ != Phase::kUp) return;
  queued_.reset();  // a target still waiting for its turn is not sent after a stop
  if (!unsupported_.count("stop")) {
    queued_ = StopCommand();
  } else if (link_reading_at_ && now - *link_reading_at_ <= timing_.poll_still_ms) {
    // Hold where it stands; a reading just past an end (within the margin) holds at the end.
    double hold = *status_.azimuth;
    if (status_.limits_min && status_.limits_max)
      hold = std::clamp(hold, *status_.limits_min, *status_.limits_max);
    queued_ = SetPosCommand(hold, ElevationFor(std::nullopt));
  } else {
    // An older reading may be far from where the rotator is now: holding there would turn it.
    ShowError(
        "stop not done: rotctld cannot stop (S unsupported) and there is no fresh reading "
        "to hold at",
        ErrorSource::kStop);
  }
  SendNext(now);
}

double RotctldDriver::ElevationFor(std::optional<double> asked) const {
  // An azimuth-only rotator's rotctld refuses any elevation but 0. Otherwise a turn that names
  // no elevation holds the one read, so that an azimuth turn never moves the elevation axis
  // (nor does one where \dump_state did not say whether there is one).
  if (range_.has_elevation == false) return 0;
  return asked && std::isfinite(*asked) ? *asked : elevation_;
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
    DropLink("rotctld sends no readable replies (" + std::to_string(input_.size()) +
                 " bytes without a report)",
             now);
    return;
  }
  SendNext(now);
}

void RotctldDriver::TakeReplies(Millis now) {
  while (phase_ == Phase::kUp) {
    std::optional<RotctldReply> reply = TakeReply(input_);
    if (!reply) return;
    if (pending_ && reply->name == pending_->command.name) {
      Pending done = std::move(*pending_);
      pending_.reset();
      slowest_reply_ms_ = std::max(slowest_reply_ms_, now - done.sent_at);
      OnReply(done.command, *reply, now);
    } else if (TakeLate(*reply, now)) {
      continue;
    } else if (!pending_) {
      // rotctld answers each command once: more replies than commands is not rotctld, or a
      // stream that would keep the window busy for as long as it flows.
      DropLink("protocol fault: a reply with no command pending: " + ReplyText(*reply), now);
    } else {
      NotUnderstood(*reply);
    }
  }
}

bool RotctldDriver::TakeLate(const RotctldReply& reply, Millis now) {
  // Replies come in order: the oldest command given up on is the only one that can be meant.
  if (late_.empty() || reply.name != late_.front().command.name) return false;
  Pending late = std::move(late_.front());
  late_.pop_front();
  slowest_reply_ms_ = std::max(slowest_reply_ms_, now - late.sent_at);
  if (late.command.verb == RotctldVerb::kDumpState || late.command.verb == RotctldVerb::kStop)
    OnReply(late.command, reply, now);
  return true;
}

void RotctldDriver::NotUnderstood(const RotctldReply& reply) {
  // Not the pending command's reply, and no late one: say what came, and go on with the next
  // command rather than wait for a reply that is not coming.
  const RotctldCommand command = std::move(pending_->command);
  pending_.reset();
  std::string text = "answer to " + command.name + " not understood: " + ReplyText(reply);
  if (command.verb == RotctldVerb::kDumpState)
    OnLimits(std::nullopt, "not understood (" + ReplyText(reply) + ")");
  else if (command.verb == RotctldVerb::kGetPos)
    ShowError(text, ErrorSource::kPoll);
  else
    ShowError(text, command.verb == RotctldVerb::kStop ? ErrorSource::kStop : ErrorSource::kOther);
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
      OnSetPos(command, reply);
      break;
    case RotctldVerb::kStop:
      if (reply.code != 0)
        ShowError("stop refused: " + ReportText(reply.code), ErrorSource::kStop);
      else if (error_source_ == ErrorSource::kStop)
        ShowError("", ErrorSource::kNone);
      break;
  }
}

void RotctldDriver::OnSetPos(const RotctldCommand& command, const RotctldReply& reply) {
  // Refused targets (out of range: RPRT -1 up to 4.5, -21 from 4.6) are shown, not retried.
  if (reply.code == 0) {
    ShowError("", ErrorSource::kNone);
    return;
  }
  ++status_.refused_targets;
  status_.refused_azimuth = command.azimuth;
  std::string target = "target " + DegreesText(command.azimuth);
  const std::optional<ElevationLimits>& el = range_.elevation;
  if (el && !(command.elevation >= el->min_el && command.elevation <= el->max_el))
    target += " elevation " + DegreesText(command.elevation);
  ShowError(target + " refused: " + ReportText(reply.code), ErrorSource::kOther);
}

void RotctldDriver::OnPosition(const RotctldReply& reply, Millis now) {
  std::optional<Position> position = reply.code == 0 ? ParsePosition(reply.lines) : std::nullopt;
  if (reply.code != 0) {
    ShowError("position query: " + ReportText(reply.code), ErrorSource::kPoll);
    return;
  }
  if (!position) {  // "Azimuth: inf", "Azimuth: nan", no number at all
    ForgetReading("position query: unreadable answer " + ReplyText(reply));
    return;
  }
  if (std::string fault = ReadingFault(*position, range_); !fault.empty()) {
    ForgetReading("implausible reading from rotctld: " + fault);
    return;
  }
  if (error_source_ == ErrorSource::kPoll) ShowError("", ErrorSource::kNone);
  if (status_.azimuth && std::fabs(*status_.azimuth - position->azimuth) >= 0.05)
    activity_at_ = now;
  status_.azimuth = position->azimuth;
  status_.reading_at = now;
  link_reading_at_ = now;
  elevation_ = position->elevation;
  if (range_.has_elevation == true) status_.elevation = elevation_;
  status_.direction = direction_.Update(static_cast<int>(std::lround(position->azimuth * 10)));
}

void RotctldDriver::ForgetReading(std::string why) {
  // Until a reading can be believed, the rotator counts as not read: no heading to the bridge,
  // no target placed against it, no hold at it.
  status_.azimuth.reset();
  status_.elevation.reset();
  link_reading_at_.reset();
  direction_.Reset();
  status_.direction = 0;
  ShowError(std::move(why), ErrorSource::kPoll);
}

void RotctldDriver::OnLimits(const std::optional<DumpStateLimits>& limits, const std::string& why) {
  range_ = ChooseRange(limits, configured_range_, why);
  status_.limits_min = range_.azimuth.min_az;
  status_.limits_max = range_.azimuth.max_az;
  status_.el_min.reset();
  status_.el_max.reset();
  if (range_.elevation) {
    status_.el_min = range_.elevation->min_el;
    status_.el_max = range_.elevation->max_el;
  }
  status_.elevation.reset();
  if (range_.has_elevation == true && status_.azimuth) status_.elevation = elevation_;
  if (!range_.note.empty())
    ShowError(range_.note, ErrorSource::kLimits);
  else if (error_source_ == ErrorSource::kLimits)
    ShowError("", ErrorSource::kNone);
}

void RotctldDriver::OnTimeout(Millis now) {
  Pending given_up = std::move(*pending_);
  pending_.reset();
  const RotctldCommand command = given_up.command;
  std::string limit = "within " + std::to_string(ReplyLimit() / 1000) + " s";
  if (command.verb == RotctldVerb::kGetPos || command.verb == RotctldVerb::kSetPos) {
    // Without these nothing works: the daemon or the link is hung.
    DropLink("no answer to " + command.name + " " + limit, now);
    return;
  }
  // rotctld answers a command it does not know with nothing at all, and a busy controller
  // late: neither proves the command unsupported. A reply that still comes is taken.
  late_.push_back(std::move(given_up));
  if (late_.size() > kMaxLate) late_.pop_front();
  if (command.verb == RotctldVerb::kDumpState)
    OnLimits(std::nullopt, "not answered " + limit);
  else
    ShowError("rotctld did not answer " + command.name + " " + limit,
              command.verb == RotctldVerb::kStop ? ErrorSource::kStop : ErrorSource::kOther);
}

void RotctldDriver::ShowError(std::string text, ErrorSource source) {
  // With no error to show, a range not believed stays on show.
  if (text.empty() && !range_.note.empty()) {
    text = range_.note;
    source = ErrorSource::kLimits;
  }
  status_.last_error = std::move(text);
  error_source_ = status_.last_error.empty() ? ErrorSource::kNone : source;
}

}  // namespace rotserver
