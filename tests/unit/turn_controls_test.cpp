#include <gtest/gtest.h>

#include <string>

#include "bridge/app/turn_controls.h"
#include "bridge/base/errors.h"
#include "fakes/fake_bridge_view.h"

namespace {

using vexal::clLime;
using vexal::clRed;
using vexal::clWindow;
using vexal::clYellow;
using vexal::MouseButton;
using vexal::Panel;

class TurnPanels : public ::testing::Test {
 protected:
  void Press(Panel panel, int tag, MouseButton button = MouseButton::Left) {
    vexal::PanelMouseDown(panel, tag, button, state, view);
  }

  vexal::RotatorState state;
  FakeBridgeView view;
};

TEST_F(TurnPanels, RedPanelTargetsTheEndPointOfItsSideByRangeMode) {
  struct Case {
    std::int32_t range_mode;
    Panel panel;
    int tag;
    double end_point;
  };
  const Case cases[] = {
      {0, Panel::Links, 1, -179.0}, {0, Panel::Rechts, 3, 179.0}, {1, Panel::Links, 1, 1.0},
      {1, Panel::Rechts, 3, 359.0}, {-4, Panel::Links, 1, 1.0},   {-4, Panel::Rechts, 3, 359.0},
  };
  for (const Case& c : cases) {
    state.RangeMode = c.range_mode;
    state.ActualAzimuth = 90.0;
    state.PendingTarget = vexal::kNoTarget;
    view.SetPanelColor(c.panel, clRed);
    Press(c.panel, c.tag);
    EXPECT_EQ(state.PendingTarget, c.end_point) << "range " << c.range_mode << " tag " << c.tag;
  }
}

TEST_F(TurnPanels, PanelThatIsNotRedStopsAtTheActualAzimuth) {
  state.ActualAzimuth = 123.4;
  view.links_color = clLime;
  Press(Panel::Links, 1);
  EXPECT_EQ(state.PendingTarget, 123.4);

  // Opposite side red while turning left: its end point is the new target.
  view.rechts_color = clRed;
  Press(Panel::Rechts, 3);
  EXPECT_EQ(state.PendingTarget, 179.0);
}

TEST_F(TurnPanels, BeforeTheFirstReportBothPanelsStop) {
  state.PendingTarget = vexal::kNoTarget;
  Press(Panel::Rechts, 3);  // button-face colour is not red
  EXPECT_EQ(state.PendingTarget, 0.0);
}

TEST_F(TurnPanels, StoppingWhileTheRotatorIsOffDropsAPendingTarget) {
  state.ActualAzimuth = vexal::kRotatorOff;
  state.PendingTarget = 245.0;
  view.links_color = clLime;
  Press(Panel::Links, 1);
  EXPECT_FALSE(vexal::TargetPending(state));
}

TEST_F(TurnPanels, LeftButtonLowersAndRaisesTheBevel) {
  Press(Panel::Links, 1);
  EXPECT_TRUE(view.links_lowered);
  EXPECT_FALSE(view.rechts_lowered);
  const double target = state.PendingTarget;
  vexal::PanelMouseUp(Panel::Links, MouseButton::Left, view);
  EXPECT_FALSE(view.links_lowered);
  EXPECT_EQ(state.PendingTarget, target);  // releasing does not stop the rotator
}

TEST_F(TurnPanels, OtherButtonsChangeNothing) {
  view.links_color = clRed;
  view.rechts_lowered = true;
  state.PendingTarget = 42.0;
  const FakeBridgeView before = view;
  for (MouseButton button : {MouseButton::Right, MouseButton::Middle}) {
    Press(Panel::Links, 1, button);
    vexal::PanelMouseUp(Panel::Rechts, button, view);
  }
  EXPECT_EQ(view, before);
  EXPECT_EQ(state.PendingTarget, 42.0);
}

TEST_F(TurnPanels, UnknownTagLowersButSetsNoTarget) {
  view.links_color = clRed;
  state.PendingTarget = 42.0;
  for (int tag : {0, 2, 4}) Press(Panel::Links, tag);
  EXPECT_TRUE(view.links_lowered);
  EXPECT_EQ(state.PendingTarget, 42.0);
}

class TargetEntry : public ::testing::Test {
 protected:
  char Type(char key) {
    vexal::EditAzimutKeyPress(key, state, view);
    return key;
  }

  vexal::RotatorState state{.PendingTarget = vexal::kNoTarget};
  FakeBridgeView view;
};

TEST_F(TargetEntry, DigitsBackspaceAndEnterPass) {
  for (char key : std::string("0123456789\b")) {
    view.edit_color = clWindow;
    EXPECT_EQ(Type(key), key);
    EXPECT_EQ(view.edit_color, clYellow);
  }
  view.edit_text = "12";
  EXPECT_EQ(Type('\r'), '\r');
  EXPECT_EQ(state.PendingTarget, 12.0);
}

TEST_F(TargetEntry, OtherCharactersAreDiscardedButMarkTheBoxEdited) {
  view.edit_text = "12";
  state.PendingTarget = 42.0;
  for (char key : {'a', '-', '+', ' ', '.', '$', 'x', '\t', '\n', '\x1b', '\x7f', '\xB0', '\0'}) {
    view.edit_color = clWindow;
    EXPECT_EQ(Type(key), '\0') << static_cast<int>(static_cast<unsigned char>(key));
    EXPECT_EQ(view.edit_color, clYellow);
  }
  EXPECT_EQ(view.edit_text, "12");
  EXPECT_EQ(state.PendingTarget, 42.0);
}

TEST_F(TargetEntry, EnterTakesTheTextAsTarget) {
  state.PendingSecond = 5.0;
  view.edit_text = "359";
  Type('\r');
  EXPECT_EQ(state.PendingTarget, 359.0);
  EXPECT_EQ(state.PendingSecond, 0.0);
  EXPECT_EQ(view.edit_color, clWindow);
  EXPECT_EQ(view.edit_text, "359");

  // The same Enter again after the target went out sets it again.
  state.PendingTarget = vexal::kNoTarget;
  Type('\r');
  EXPECT_EQ(state.PendingTarget, 359.0);
}

TEST_F(TargetEntry, AnyTextTheRuleAcceptsIsTaken) {
  const std::pair<const char*, double> cases[] = {{"999", 999.0}, {"007", 7.0},  {"0", 0.0},
                                                  {"-5", -5.0},   {"$1A", 26.0}, {" 12", 12.0}};
  for (const auto& [text, target] : cases) {
    view.edit_text = text;
    Type('\r');
    EXPECT_EQ(state.PendingTarget, target) << text;
  }
}

TEST_F(TargetEntry, EnterOnAnEmptyBoxTakesNothing) {
  Type('\r');
  EXPECT_EQ(view.edit_color, clYellow);
  EXPECT_EQ(state.PendingTarget, vexal::kNoTarget);
}

TEST_F(TargetEntry, PastedTextThatIsNoIntegerKeepsTheTarget) {
  state.PendingTarget = 42.0;
  state.PendingSecond = 0.0;
  view.edit_text = "1.5";
  try {
    Type('\r');
    FAIL() << "'1.5' was taken";
  } catch (const vexal::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1.5' ist kein g\xC3\xBCltiger Integerwert");
  }
  EXPECT_EQ(state.PendingTarget, 42.0);
  EXPECT_EQ(view.edit_color, clWindow);
}

}  // namespace
