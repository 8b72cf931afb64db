// A supervised rotctld that cannot even be started (a wrong path, a missing DLL) is tried again
// after the same growing pauses as one that keeps dying.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "rotserver/core/restart_policy.h"

namespace rotserver {
namespace {

TEST(RotServerRestart, FailedStartsDoubleThePauseUpToHalfAMinute) {
  RestartPolicy policy;
  std::int64_t now = 0;
  std::vector<std::int64_t> pauses;
  for (int i = 0; i < 7; ++i) {
    std::int64_t due = policy.StartFailed(now);
    pauses.push_back(due - now);
    now = due;
  }
  EXPECT_EQ(pauses, (std::vector<std::int64_t>{1000, 2000, 4000, 8000, 16000, 30000, 30000}));
  // A failed start long after a healthy run is still no healthy run of its own.
  policy.Started(now);
  EXPECT_EQ(policy.Exited(now + 90000), now + 91000);
  EXPECT_EQ(policy.StartFailed(now + 91000), now + 93000);
}

}  // namespace
}  // namespace rotserver
