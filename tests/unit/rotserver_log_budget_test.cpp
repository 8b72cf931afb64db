// How much of rotctld's traffic RotServer's --log file takes.
#include <gtest/gtest.h>

#include "rotserver/core/byte_log_budget.h"

namespace rotserver {
namespace {

TEST(RotServerLogBudget, UsualTrafficWhollyAStreamBoundedAndWhatWasLeftOutToldOnce) {
  ByteLogBudget budget(1000, 1000);
  // A daemon's pace: a reply of 60 bytes four times a second, for a minute.
  for (std::int64_t t = 0; t < 60000; t += 250) EXPECT_TRUE(budget.Allow(60, t)) << t;
  EXPECT_EQ(budget.TakeLeftOut(60000), 0u);

  // A stream: 400 bytes every millisecond for 2 s. The log takes two chunks a second.
  int logged = 0;
  for (std::int64_t t = 100000; t < 102000; ++t) logged += budget.Allow(400, t);
  EXPECT_EQ(logged, 4);
  EXPECT_EQ(budget.TakeLeftOut(101999), 998u * 400);  // the last second is not over yet
  EXPECT_EQ(budget.TakeLeftOut(102000), 998u * 400);
  EXPECT_EQ(budget.TakeLeftOut(103000), 0u);
  EXPECT_TRUE(budget.Allow(60, 103000));
}

}  // namespace
}  // namespace rotserver
