#include "rotserver/core/restart_policy.h"

#include <algorithm>

namespace rotserver {

std::int64_t RestartPolicy::Exited(std::int64_t now) {
  bool healthy = running_ && now - started_at_ >= kHealthyRunMs;
  running_ = false;
  if (delay_ms_ == 0 || healthy)
    delay_ms_ = kFirstDelayMs;
  else
    delay_ms_ = std::min(delay_ms_ * 2, kMaxDelayMs);
  return now + delay_ms_;
}

std::int64_t RestartPolicy::StartFailed(std::int64_t now) {
  running_ = false;
  return Exited(now);
}

}  // namespace rotserver
