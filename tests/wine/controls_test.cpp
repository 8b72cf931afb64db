// The operator's turn controls driven by real mouse and keyboard input: what reaches the
// rotator server with the next status macro, and how the panels and the target box look.
#include <gtest/gtest.h>

#include "controls_input.h"
#include "controls_rig.h"
#include "window/colors.h"
#include "window/widget_ids.h"

using namespace controls;
using namespace harness;
using namespace std::chrono_literals;
using vexal::kIdEditAzimut;
using vexal::kIdPanelLinks;
using vexal::kIdPanelRechts;

namespace {

constexpr Millis kPaint = 5s;

class TurnControls : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig_.failure(), "");
    ASSERT_TRUE(BringToFront(rig_.window(), 5s)) << "bridge not in the foreground";
  }

  // A left click on a panel, seen through: pressed bevel while held, raised again after.
  void Click(int panel) {
    ASSERT_TRUE(MoveTo(CentreOf(rig_.Widget(panel))));
    Press(Button::Left);
    ASSERT_TRUE(rig_.WaitBevel(panel, Bevel::Lowered, kPaint)) << "panel " << panel;
    Release(Button::Left);
    ASSERT_TRUE(rig_.WaitBevel(panel, Bevel::Raised, kPaint)) << "panel " << panel;
  }

  // Types into the target box and waits until the box shows `expected`.
  void TypeAndSee(const std::string& keys, const std::string& expected) {
    ASSERT_TRUE(Type(keys));
    ASSERT_TRUE(rig_.WaitEditText(expected, kPaint))
        << "typed \"" << keys << "\", box shows \"" << rig_.EditText() << "\"";
  }

  ControlsRig rig_;
};

}  // namespace

TEST_F(TurnControls, RedPanelsSendTheirEndPointsByRangeMode) {
  ASSERT_TRUE(rig_.Status(1234, 0, 0));
  EXPECT_EQ(rig_.PanelColor(kIdPanelLinks), vexal::clRed);
  EXPECT_EQ(rig_.PanelColor(kIdPanelRechts), vexal::clRed);

  Click(kIdPanelLinks);
  EXPECT_EQ(rig_.SentWith(1234, 0, 0), TargetCommand("-1790"));
  Click(kIdPanelRechts);
  EXPECT_EQ(rig_.SentWith(1234, 0, 1), TargetCommand("1790")) << "range mode of the press counts";

  // Range mode 1 from the last status on.
  Click(kIdPanelLinks);
  EXPECT_EQ(rig_.SentWith(1234, 0, 1), TargetCommand("10"));
  Click(kIdPanelRechts);
  EXPECT_EQ(rig_.SentWith(1234, 0, 1), TargetCommand("3590"));

  // A later press replaces a pending target; only the last one goes out, once.
  Click(kIdPanelLinks);
  Click(kIdPanelRechts);
  EXPECT_EQ(rig_.SentWith(1234, 0, 1), TargetCommand("3590"));
  EXPECT_EQ(rig_.NextAfterMarker(), TargetCommand("70"));
}
