#include "rotserver/core/restart_policy.h"

#include <algorithm>

namespace rotserver {

std::int64_t RestartPolicy::Exited(std::int64_t now) {
  if (delay_ms_ == 0 || now - started_at_ >= kHealthyRunMs)
    delay_ms_ = kFirstDelayMs;
  else
    delay_ms_ = std::min(delay_ms_ * 2, kMaxDelayMs);
  return now + delay_ms_;
}

std::int64_t RestartPolicy::StartFailed(std::int64_t now) {
  started_at_ = now;  // a run of no length: never a healthy one
  return Exited(now);
}

}  // namespace rotserver
