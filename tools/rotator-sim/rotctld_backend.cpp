#include "rotctld_backend.h"

#include <algorithm>

namespace rotsim {

namespace {

RotctldBackend* the_backend = nullptr;

constexpr DWORD kReplyTimeoutMs = 1500;
constexpr DWORD kConnectTimeoutMs = 2000;
constexpr std::size_t kRecentReadings = 4;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += (text.empty() ? "" : " | ") + line;
  return text;
}

std::string WithoutNewline(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// Tick counts wrap; a time taken after `now` counts as no time passed.
bool Elapsed(DWORD now, DWORD since, DWORD ms) {
  return static_cast<LONG>(now - since) >= static_cast<LONG>(ms);
}

}  // namespace

RotctldBackend::RotctldBackend(const Options& options, SimLog& log)
    : options_(options),
      log_(log),
      endpoint_(*options.rotctld),
      status_(options.bridge_service, log, options.confirm),
      period_ms_(1000 / std::max(1u, options.rate_hz)) {
  the_backend = this;
}

RotctldBackend::~RotctldBackend() {
  if (timer_) KillTimer(nullptr, timer_);
  the_backend = nullptr;
}

void RotctldBackend::Start() {
  log_.Line("rotctld backend address=" + endpoint_.host + ":" + std::to_string(endpoint_.port) +
            " rate=" + std::to_string(options_.rate_hz) +
            " bridge=" + options_.bridge_service.value_or("(any)"));
  timer_ = SetTimer(nullptr, 0, period_ms_, &RotctldBackend::TickProc);
  Tick();
}

void CALLBACK RotctldBackend::TickProc(HWND, UINT, UINT_PTR, DWORD) {
  if (the_backend) the_backend->Tick();
}

bool RotctldBackend::Ready() const {
  return rotctld_.state() == RotctldConnection::State::kUp && limits_.has_value();
}

void RotctldBackend::Connect(DWORD now) {
  std::string error;
  log_.Line("rotctld connect " + endpoint_.host + ":" + std::to_string(endpoint_.port));
  connect_started_ = now;
  if (!rotctld_.Open(endpoint_, &error)) LinkLost(error);
}

void RotctldBackend::LinkLost(const std::string& why) {
  rotctld_.Close();
  requests_.clear();
  limits_.reset();
  position_.reset();
  last_position_reply_.reset();
  recent_tenths_.clear();
  direction_.Reset();
  ++failures_;
  DWORD pause = static_cast<DWORD>(ReconnectDelay(failures_).count());
  next_attempt_ = GetTickCount() + pause;
  log_.Line("rotctld down: " + why + "; next attempt in " + std::to_string(pause) + " ms");
}

void RotctldBackend::Ask(const std::string& text, ReplyKind kind) {
  rotctld_.Send(text);
  requests_.push_back({text, kind, GetTickCount()});
  if (kind != ReplyKind::kPosition) log_.Line("rotctld > " + WithoutNewline(text));
}

void RotctldBackend::Tick() {
  DWORD now = GetTickCount();
  if (rotctld_.state() == RotctldConnection::State::kDown) {
    if (static_cast<LONG>(now - next_attempt_) >= 0) Connect(now);
  }
  if (rotctld_.state() != RotctldConnection::State::kDown) {
    bool was_connecting = rotctld_.state() == RotctldConnection::State::kConnecting;
    std::string error;
    if (!rotctld_.Poll(&error)) {
      LinkLost(error);
    } else if (rotctld_.state() == RotctldConnection::State::kConnecting) {
      if (Elapsed(now, connect_started_, kConnectTimeoutMs)) LinkLost("connect timed out");
    } else {
      if (was_connecting) {
        log_.Line("rotctld connected");
        Ask("\\dump_state\n", ReplyKind::kDumpState);
      }
      TakeReplies();
      if (rotctld_.state() == RotctldConnection::State::kUp && !requests_.empty() &&
          Elapsed(now, requests_.front().sent_at, kReplyTimeoutMs))
        LinkLost("no answer to " + WithoutNewline(requests_.front().text));
      bool asking_position = std::any_of(requests_.begin(), requests_.end(), [](const Request& r) {
        return r.kind == ReplyKind::kPosition;
      });
      if (Ready() && !asking_position) Ask("p\n", ReplyKind::kPosition);
      if (rotctld_.state() == RotctldConnection::State::kUp) {
        if (!rotctld_.Poll(&error)) LinkLost(error);  // sends what was just asked
      }
    }
  }
  SendStatus();
}

void RotctldBackend::TakeReplies() {
  while (!requests_.empty()) {
    auto reply = TakeReply(rotctld_.input(), requests_.front().kind);
    if (!reply) return;
    Request request = requests_.front();
    requests_.pop_front();
    HandleReply(request, *reply);
    if (rotctld_.state() != RotctldConnection::State::kUp) return;
  }
  if (!rotctld_.input().empty() && rotctld_.input().find('\n') != std::string::npos) {
    log_.Line("rotctld < unexpected " + WithoutNewline(rotctld_.input()));
    rotctld_.input().clear();
  }
}

void RotctldBackend::HandleReply(const Request& request, const std::vector<std::string>& lines) {
  switch (request.kind) {
    case ReplyKind::kDumpState:
      limits_ = ParseDumpState(lines);
      if (!limits_) {
        limits_ = AzimuthLimits{0, 360};
        log_.Line("rotctld < " + Joined(lines) + " (limits unreadable: assuming 0..360)");
      } else {
        log_.Line("rotctld < limits min_az=" + std::to_string(limits_->min_az) +
                  " max_az=" + std::to_string(limits_->max_az) +
                  " range=" + std::to_string(RangeModeFor(*limits_)));
      }
      range_mode_ = RangeModeFor(*limits_);
      failures_ = 0;
      break;
    case ReplyKind::kPosition: {
      std::string text = Joined(lines);
      if (text != last_position_reply_) log_.Line("rotctld p < " + text);
      last_position_reply_ = text;
      position_ = ParsePosition(lines);
      if (position_) {
        int tenths = TenthsFromDegrees(position_->azimuth);
        direction_.Update(tenths);
        recent_tenths_.push_back(tenths);
        if (recent_tenths_.size() > kRecentReadings) recent_tenths_.pop_front();
      }
      break;
    }
    case ReplyKind::kReport:
      log_.Line("rotctld < " + Joined(lines));
      break;
  }
}

void RotctldBackend::Command(std::string_view bytes) {
  auto target = TargetFromCommand(bytes);
  if (!target) {
    log_.Line("command without target (greeting)");
    return;
  }
  if (!Ready()) {
    // Not kept for later: an old target must not start the rotator when rotctld comes back.
    log_.Line("target " + std::to_string(*target) + " dropped: rotctld not connected");
    return;
  }
  TargetPlan plan = PlanTarget(*target, *limits_, recent_tenths_);
  std::string error;
  switch (plan.kind) {
    case TargetPlan::Kind::kRefuse:
      log_.Line("target " + std::to_string(*target) + " refused: " + plan.reason);
      return;
    case TargetPlan::Kind::kStop:
      log_.Line("target " + std::to_string(*target) + " is where the rotator stands: stop");
      Ask("S\n", ReplyKind::kReport);
      break;
    case TargetPlan::Kind::kMove:
      log_.Line("target " + std::to_string(*target));
      Ask(SetPositionCommand(plan.azimuth, position_ ? position_->elevation : 0.0),
          ReplyKind::kReport);
      break;
  }
  if (!rotctld_.Poll(&error)) LinkLost(error);
}

void RotctldBackend::SendStatus() {
  bool on = Ready() && position_.has_value();
  int azimuth = on ? TenthsFromDegrees(position_->azimuth) : kOffTenths;
  int direction = on ? direction_.direction() : 0;
  int range = range_mode_;
  std::string text = StatusMacroText(azimuth, direction, range);
  StatusLink::Result result = status_.Send(text);
  log_.Line("status az=" + std::to_string(azimuth) + " dir=" + std::to_string(direction) +
            " range=" + std::to_string(range) + " result=" + ResultName(result));
}

}  // namespace rotsim
