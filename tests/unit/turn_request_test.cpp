#include <gtest/gtest.h>

#include <cstdint>

#include "fakes/fake_bridge_view.h"
#include "bridge/logger/turn_request.h"

namespace {

constexpr std::uint32_t kLoggerMsg = 0xC0DE;

class TurnRequest : public ::testing::Test {
 protected:
  TurnRequest() {
    state.PendingTarget = vexal::kNoTarget;
    view.edit_text = "12";
    view.edit_color = vexal::clYellow;
  }

  void Deliver(std::uint32_t id, std::uint64_t wparam, std::int64_t lparam, bool handled = false,
               std::uint32_t logger_msg = kLoggerMsg) {
    vexal::HandleTurnRequest(id, wparam, lparam, handled, logger_msg, state, view);
  }

  void ExpectUnchanged() {
    EXPECT_EQ(view.edit_text, "12");
    EXPECT_EQ(view.edit_color, vexal::clYellow);
    EXPECT_EQ(state.PendingTarget, vexal::kNoTarget);
  }

  vexal::RotatorState state;
  FakeBridgeView view;
};

TEST_F(TurnRequest, AzimuthsFromZeroTo360AreTaken) {
  for (std::int64_t azimuth : {0, 45, 360}) {
    state.PendingSecond = 7.0;
    view.edit_color = vexal::clYellow;
    Deliver(kLoggerMsg, 101, azimuth);
    EXPECT_EQ(view.edit_text, std::to_string(azimuth));
    EXPECT_EQ(view.edit_color, vexal::clWindow);
    EXPECT_EQ(state.PendingTarget, static_cast<double>(azimuth));
    EXPECT_EQ(state.PendingSecond, 0.0);
  }
}

TEST_F(TurnRequest, AzimuthsOutsideTheRangeAreIgnored) {
  for (std::int64_t azimuth : {std::int64_t{-1}, std::int64_t{361}, std::int64_t{INT32_MIN},
                               std::int64_t{0xFFFFFFFF}, (std::int64_t{1} << 32) + 45}) {
    Deliver(kLoggerMsg, 101, azimuth);
    ExpectUnchanged();
  }
}

TEST_F(TurnRequest, OtherMessagesAreIgnored) {
  for (std::uint64_t wparam : {0ull, 3ull, 100ull, 102ull, (1ull << 32) + 101}) {
    Deliver(kLoggerMsg, wparam, 245);
  }
  Deliver(kLoggerMsg + 1, 101, 245);
  Deliver(0, 101, 245);
  Deliver(kLoggerMsg, 101, 245, /*handled=*/true);
  ExpectUnchanged();
}

TEST_F(TurnRequest, WithoutLogger32IdZeroIsATurnRequest) {
  Deliver(kLoggerMsg, 101, 245, false, /*logger_msg=*/0);
  ExpectUnchanged();
  Deliver(0, 101, 245, false, /*logger_msg=*/0);
  EXPECT_EQ(view.edit_text, "245");
  EXPECT_EQ(state.PendingTarget, 245.0);
}

TEST_F(TurnRequest, LaterRequestReplacesTheEarlierOne) {
  Deliver(kLoggerMsg, 101, 245);
  Deliver(kLoggerMsg, 101, 10);
  EXPECT_EQ(view.edit_text, "10");
  EXPECT_EQ(state.PendingTarget, 10.0);
}

TEST_F(TurnRequest, TextIsLeftToALaterRequestAlreadyQueued) {
  int asked = 0;
  // Asked before the request changes anything: the look may handle other messages.
  auto queued = [&] {
    ++asked;
    EXPECT_EQ(view.edit_color, vexal::clYellow);
    EXPECT_EQ(state.PendingTarget, vexal::kNoTarget);
    return true;
  };
  vexal::HandleTurnRequest(kLoggerMsg, 101, 245, false, kLoggerMsg, state, view, queued);
  EXPECT_EQ(view.edit_text, "12");
  EXPECT_EQ(view.edit_color, vexal::clWindow);
  EXPECT_EQ(state.PendingTarget, 245.0);
  // The queue is looked at only for a turn request.
  vexal::HandleTurnRequest(kLoggerMsg, 102, 10, false, kLoggerMsg, state, view, queued);
  EXPECT_EQ(asked, 1);
  vexal::HandleTurnRequest(kLoggerMsg, 101, 10, false, kLoggerMsg, state, view,
                           [] { return false; });
  EXPECT_EQ(view.edit_text, "10");
}

}  // namespace
