// A turn panel held down with the left button when the bridge's error box takes the mouse:
// the button-up never reaches the panel, which must look released all the same, and the
// target that the press set goes out unchanged.
#include <gtest/gtest.h>

#include "controls_input.h"
#include "controls_rig.h"
#include "mends_support.h"
#include "bridge/window/widget_ids.h"

using namespace controls;
using namespace std::chrono_literals;
using vexal::kIdPanelRechts;

namespace {

TEST(PanelCapture, PanelRisesWhenAnErrorBoxTakesTheMouseAndTheTargetStays) {
  ControlsRig rig;
  ASSERT_EQ(rig.failure(), "");
  ASSERT_TRUE(BringToFront(rig.window(), 5s));
  ASSERT_TRUE(rig.Status(1234, 0, 0));  // both panels red: a press on ">>" asks for 179

  ASSERT_TRUE(MoveTo(CentreOf(rig.Widget(kIdPanelRechts))));
  Press(Button::Left);
  ASSERT_TRUE(rig.WaitBevel(kIdPanelRechts, Bevel::Lowered, 5s));

  // A malformed status macro: the bridge opens its error box while the button is held.
  EXPECT_FALSE(rig.Status(mends::StatusTextLines("x")));
  HWND box = mends::WaitForOneBox(rig.BridgePid(), 5s);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(rig.WaitBevel(kIdPanelRechts, Bevel::Raised, 5s)) << "still pressed under the box";
  Release(Button::Left);
  ASSERT_TRUE(mends::CloseBox(box));
  EXPECT_TRUE(rig.WaitBevel(kIdPanelRechts, Bevel::Raised, 5s));

  // Losing the mouse neither set nor cleared a target: the press's own goes out, once.
  EXPECT_EQ(rig.SentWith(1234, 0, 0), TargetCommand("1790"));
  EXPECT_EQ(rig.NextAfterMarker(), TargetCommand("70"));
}

}  // namespace
