#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "bridge/base/report_queue.h"

using vexal::ReportQueue;

namespace {

TEST(ReportQueue, OneBoxAtATimeAndTheFirstShowsTheTextAsItCame) {
  ReportQueue q;
  EXPECT_EQ(q.TakeNext(), std::nullopt) << "nothing to show";
  q.Add("'x' ist kein g\xC3\xBCltiger Integerwert");
  EXPECT_EQ(q.TakeNext(), "'x' ist kein g\xC3\xBCltiger Integerwert");
  EXPECT_TRUE(q.BoxOpen());
  q.Add("second");
  EXPECT_EQ(q.TakeNext(), std::nullopt) << "a second box while the first is open";
  q.BoxClosed();
  EXPECT_EQ(q.TakeNext(), "second");
  q.BoxClosed();
  EXPECT_EQ(q.TakeNext(), std::nullopt);
  EXPECT_FALSE(q.BoxOpen());
}

TEST(ReportQueue, IdenticalWaitingReportsFoldInOrderOfFirstArrival) {
  ReportQueue q;
  q.Add("x");
  ASSERT_EQ(q.TakeNext(), "x");
  // While the box is open: x and y alternate; each folds into its first waiting copy.
  for (int i = 0; i < 50; ++i) {
    q.Add("y");
    q.Add("x");
  }
  q.Add("z");
  EXPECT_EQ(q.Waiting(), 3u);
  q.BoxClosed();
  EXPECT_EQ(q.TakeNext(), "y\n(50 times)");
  q.BoxClosed();
  EXPECT_EQ(q.TakeNext(), "x\n(50 times)");
  q.BoxClosed();
  EXPECT_EQ(q.TakeNext(), "z") << "once is said without a count";
  q.BoxClosed();
  // Folding is only among waiting reports: x shown, then x again is a new box of its own.
  q.Add("z");
  EXPECT_EQ(q.TakeNext(), "z");
}

TEST(ReportQueue, BoundedQueueCountsWhatItCannotKeep) {
  ReportQueue q;
  q.Add("open");
  ASSERT_TRUE(q.TakeNext());
  for (std::size_t i = 0; i < ReportQueue::kCapacity + 5; ++i) q.Add('r' + std::to_string(i));
  q.Add("r0");  // still folds into a kept one
  EXPECT_EQ(q.Waiting(), ReportQueue::kCapacity);
  q.BoxClosed();
  EXPECT_EQ(q.TakeNext(), "r0\n(2 times)\n(5 other reports not kept)");
  for (std::size_t i = 1; i < ReportQueue::kCapacity; ++i) {
    q.BoxClosed();
    EXPECT_EQ(q.TakeNext(), 'r' + std::to_string(i));
  }
  q.BoxClosed();
  EXPECT_EQ(q.TakeNext(), std::nullopt);
  // Room again once the queue has emptied.
  q.Add("later");
  EXPECT_EQ(q.TakeNext(), "later");
}

}  // namespace
