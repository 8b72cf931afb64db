#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/rotator/macros.h"

namespace {

using Lines = std::vector<std::string>;

TEST(RotatorMacros, GreetingAndTargetCommandLines) {
  EXPECT_EQ(vexal::GreetingLines(), Lines{"HS "});
  EXPECT_EQ(vexal::TargetCommandLines(245, 0), (Lines{"2450", "0", "0"}));
  EXPECT_EQ(vexal::TargetCommandLines(359.5, 0), (Lines{"3595", "0", "0"}));
  EXPECT_EQ(vexal::TargetCommandLines(-5, 0), (Lines{"-50", "0", "0"}));
  // Both values go through the same tenths format.
  EXPECT_EQ(vexal::TargetCommandLines(0.25, 0.75), (Lines{"2", "8", "0"}));
}

}  // namespace
