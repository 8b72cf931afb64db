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
}

TEST(RotServerRestart, FailedStartsAndQuickExitsShareOneBackoff) {
  RestartPolicy policy;
  EXPECT_EQ(policy.StartFailed(100000), 101000);
  policy.Started(101000);
  EXPECT_EQ(policy.Exited(101500), 103500);
  EXPECT_EQ(policy.StartFailed(103500), 107500);
  // A failed start long after a healthy run is still no healthy run.
  policy.Started(107500);
  EXPECT_EQ(policy.Exited(200000), 201000);
  EXPECT_EQ(policy.StartFailed(201000), 203000);
}

}  // namespace
}  // namespace rotserver
