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

}  // namespace rotserver
