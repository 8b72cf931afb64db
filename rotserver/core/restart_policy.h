// When to start a supervised program (rotctld) again after it ended: soon after a first exit,
// ever later while it keeps failing, soon again once it has run for a while. A start that
// failed (no such program, a missing DLL) counts as a run that ended at once. No Win32 here.
#pragma once

#include <cstdint>

namespace rotserver {

class RestartPolicy {
 public:
  static constexpr std::int64_t kFirstDelayMs = 1000;
  static constexpr std::int64_t kMaxDelayMs = 30000;
  // A run this long counts as healthy: the next exit starts the backoff afresh.
  static constexpr std::int64_t kHealthyRunMs = 60000;

  void Started(std::int64_t now) {
    started_at_ = now;
    running_ = true;
  }
  // The program ended at `now`; returns when to start it again. Without a Started before it,
  // the start itself failed.
  std::int64_t Exited(std::int64_t now);
  // The program could not be started at all at `now` (missing file, missing DLL): a failure
  // without a start; returns when to try again.
  std::int64_t StartFailed(std::int64_t now);

 private:
  std::int64_t started_at_ = 0;
  bool running_ = false;
  std::int64_t delay_ms_ = 0;
};

}  // namespace rotserver
