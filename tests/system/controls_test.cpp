// The operator's turn controls driven by real mouse and keyboard input: what reaches the
// rotator server with the next status macro, and how the panels and the target box look.
#include <gtest/gtest.h>

#include "controls_input.h"
#include "controls_rig.h"
#include "bridge/window/colors.h"
#include "bridge/window/widget_ids.h"

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

TEST_F(TurnControls, PanelNotRedStopsWhereTheRotatorStands) {
  // Before the first status both panels have the button face: not red, so "stop" at 0.0.
  EXPECT_EQ(rig_.PanelColor(kIdPanelLinks), vexal::clBtnFace);
  Click(kIdPanelLinks);
  EXPECT_EQ(rig_.SentWith(1234, -1, 0), TargetCommand("0"));

  // Turning left: the lime left panel stops at 123.4, the red right one turns back.
  EXPECT_EQ(rig_.PanelColor(kIdPanelLinks), vexal::clLime);
  EXPECT_EQ(rig_.PanelColor(kIdPanelRechts), vexal::clRed);
  Click(kIdPanelLinks);
  EXPECT_EQ(rig_.SentWith(1234, -1, 0), TargetCommand("1234"));
  Click(kIdPanelRechts);
  EXPECT_EQ(rig_.SentWith(1234, -1, 0), TargetCommand("1790"));

  // Turning right at -0.5 degrees, reported as 359.5.
  ASSERT_TRUE(rig_.Status(-5, 1, 1));
  EXPECT_EQ(rig_.PanelColor(kIdPanelRechts), vexal::clLime);
  Click(kIdPanelRechts);
  EXPECT_EQ(rig_.SentWith(-5, 1, 1), TargetCommand("3595"));
}

TEST_F(TurnControls, StopWhileTheRotatorIsOffDropsThePendingTarget) {
  ASSERT_TRUE(rig_.Status(-100000, -1, 0));
  ASSERT_EQ(rig_.PanelColor(kIdPanelLinks), vexal::clLime);
  TypeAndSee("100", "100");
  Stroke(VK_RETURN);
  ASSERT_TRUE(rig_.WaitEditBackground(WindowColourPixel(), kPaint)) << "100 taken";
  // Stopping at the off mark -10000 leaves nothing pending.
  Click(kIdPanelLinks);
  ASSERT_TRUE(rig_.Status(1234, 0, 0));
  EXPECT_EQ(rig_.NextAfterMarker(), TargetCommand("70"));
}

TEST_F(TurnControls, RightAndMiddleButtonsChangeNothing) {
  ASSERT_TRUE(rig_.Status(1234, 0, 0));
  // Keys typed meanwhile go to the target box; once they show, the buttons have been handled.
  ASSERT_TRUE(MoveTo(CentreOf(rig_.Widget(kIdPanelLinks))));
  Press(Button::Right);
  TypeAndSee("5", "5");
  EXPECT_EQ(rig_.PanelBevel(kIdPanelLinks), Bevel::Raised) << "right button held";
  Release(Button::Right);
  TypeAndSee("6", "56");
  EXPECT_EQ(rig_.PanelBevel(kIdPanelLinks), Bevel::Raised);

  ASSERT_TRUE(MoveTo(CentreOf(rig_.Widget(kIdPanelRechts))));
  Press(Button::Middle);
  TypeAndSee("1", "561");
  EXPECT_EQ(rig_.PanelBevel(kIdPanelRechts), Bevel::Raised) << "middle button held";
  Release(Button::Middle);
  Stroke(VK_BACK);
  ASSERT_TRUE(rig_.WaitEditText("56", kPaint));
  EXPECT_EQ(rig_.PanelBevel(kIdPanelRechts), Bevel::Raised);

  ASSERT_TRUE(rig_.Status(1234, 0, 0));
  EXPECT_EQ(rig_.NextAfterMarker(), TargetCommand("70")) << "no target from those presses";
}

TEST_F(TurnControls, BevelRisesWhereverTheLeftButtonIsReleased) {
  ASSERT_TRUE(rig_.Status(1234, 0, 0));
  RECT window{};
  GetWindowRect(rig_.window(), &window);

  // Released beside the window.
  ASSERT_TRUE(MoveTo(CentreOf(rig_.Widget(kIdPanelLinks))));
  Press(Button::Left);
  ASSERT_TRUE(rig_.WaitBevel(kIdPanelLinks, Bevel::Lowered, kPaint));
  ASSERT_TRUE(MoveTo({window.right + 80, (window.top + window.bottom) / 2}));
  TypeAndSee("1", "1");  // the move has been handled
  EXPECT_EQ(rig_.PanelBevel(kIdPanelLinks), Bevel::Lowered) << "still held outside";
  Release(Button::Left);
  EXPECT_TRUE(rig_.WaitBevel(kIdPanelLinks, Bevel::Raised, kPaint));
  EXPECT_EQ(rig_.SentWith(1234, 0, 0), TargetCommand("-1790"));

  // Released over the other panel: that one neither goes down nor takes the release.
  ASSERT_TRUE(MoveTo(CentreOf(rig_.Widget(kIdPanelRechts))));
  Press(Button::Left);
  ASSERT_TRUE(rig_.WaitBevel(kIdPanelRechts, Bevel::Lowered, kPaint));
  ASSERT_TRUE(MoveTo(CentreOf(rig_.Widget(kIdPanelLinks))));
  Release(Button::Left);
  EXPECT_TRUE(rig_.WaitBevel(kIdPanelRechts, Bevel::Raised, kPaint));
  EXPECT_EQ(rig_.PanelBevel(kIdPanelLinks), Bevel::Raised);
  EXPECT_EQ(rig_.SentWith(1234, 0, 0), TargetCommand("1790"));
  EXPECT_EQ(rig_.NextAfterMarker(), TargetCommand("70"));
}

TEST_F(TurnControls, TypedTargetIsTakenOnEnterAndOtherKeysAreDropped) {
  ASSERT_TRUE(rig_.Status(1234, 0, 0));
  TypeAndSee("35", "35");
  EXPECT_TRUE(rig_.WaitEditBackground(YellowPixel(), kPaint)) << "edited";
  Stroke(VK_RETURN);
  EXPECT_TRUE(rig_.WaitEditBackground(WindowColourPixel(), kPaint)) << "taken";
  EXPECT_EQ(rig_.EditText(), "35");
  EXPECT_EQ(rig_.SentWith(1234, 0, 0), TargetCommand("350"));

  // A dropped key still marks the box as edited.
  ASSERT_TRUE(Type("a"));
  EXPECT_TRUE(rig_.WaitEditBackground(YellowPixel(), kPaint));
  EXPECT_EQ(rig_.EditText(), "35");
  // Had any of these gone in, the 9 would not fit into the three places.
  ASSERT_TRUE(Type("- .A"));
  TypeAndSee("9", "359");
  Stroke(VK_RETURN);
  EXPECT_TRUE(rig_.WaitEditBackground(WindowColourPixel(), kPaint));
  EXPECT_EQ(rig_.SentWith(1234, 0, 0), TargetCommand("3590"));

  // Enter again on the same text sends the same target again.
  Stroke(VK_RETURN);
  ASSERT_TRUE(Type("x"));  // yellow once the Enter before it has been handled
  ASSERT_TRUE(rig_.WaitEditBackground(YellowPixel(), kPaint));
  EXPECT_EQ(rig_.SentWith(1234, 0, 0), TargetCommand("3590"));

  // Enter on the empty box takes nothing and leaves it yellow.
  for (int i = 0; i < 3; ++i) Stroke(VK_BACK);
  ASSERT_TRUE(rig_.WaitEditText("", kPaint));
  Stroke(VK_RETURN);
  TypeAndSee("1", "1");
  EXPECT_EQ(rig_.EditBackground(), YellowPixel());
  ASSERT_TRUE(rig_.Status(1234, 0, 0));
  EXPECT_EQ(rig_.NextAfterMarker(), TargetCommand("70"));
}

TEST_F(TurnControls, PastedTextIsTakenByTheIntegerRule) {
  HWND edit = rig_.Widget(kIdEditAzimut);
  auto paste = [&](const std::string& text, const std::string& shown) {
    ASSERT_TRUE(SetClipboardText(text));
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_PASTE, 0, 0);
    ASSERT_TRUE(rig_.WaitEditText(shown, kPaint)) << "pasted " << text;
  };
  auto enter = [&] {
    ASSERT_TRUE(Type("a"));  // turns the box yellow, so that taking it shows
    ASSERT_TRUE(rig_.WaitEditBackground(YellowPixel(), kPaint));
    Stroke(VK_RETURN);
  };
  ASSERT_TRUE(rig_.Status(1234, 0, 0));

  paste("-5", "-5");
  enter();
  EXPECT_TRUE(rig_.WaitEditBackground(WindowColourPixel(), kPaint));
  EXPECT_EQ(rig_.SentWith(1234, 0, 0), TargetCommand("-50"));

  paste("12345", "123");  // the three-place limit holds for pasted text too
  enter();
  EXPECT_TRUE(rig_.WaitEditBackground(WindowColourPixel(), kPaint));

  // Text the rule rejects: an error box, the box taken all the same, the 123 still pending.
  paste("abc", "abc");
  enter();
  HWND box = WaitForTopWindow("Logger32vexal", 10s, rig_.BridgePid());
  ASSERT_NE(box, nullptr) << "no error box";
  std::string message = WindowText(GetDlgItem(box, 0xFFFF));
  EXPECT_EQ(message.rfind("'abc' ist kein g", 0), 0u) << message;
  EXPECT_NE(message.find("ltiger Integerwert"), std::string::npos) << message;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5s));
  EXPECT_TRUE(rig_.WaitEditBackground(WindowColourPixel(), kPaint));
  EXPECT_EQ(rig_.SentWith(1234, 0, 0), TargetCommand("1230"));
}

TEST_F(TurnControls, ActivationPutsTheFocusInTheTargetBoxWithItsTextSelected) {
  HWND edit = rig_.Widget(kIdEditAzimut);
  ASSERT_TRUE(WaitUntil([&] { return rig_.BridgeFocus() == edit; }, 5s))
      << "focus on " << rig_.BridgeFocus();
  TypeAndSee("12", "12");
  EXPECT_EQ(rig_.EditSelection(), std::make_pair(DWORD{2}, DWORD{2})) << "caret after typing";

  OtherWindow other;
  ASSERT_NE(other.handle(), nullptr);
  ASSERT_TRUE(BringToFront(other.handle(), 5s));
  ASSERT_TRUE(BringToFront(rig_.window(), 5s));
  ASSERT_TRUE(WaitUntil([&] { return rig_.BridgeFocus() == edit; }, 5s));
  EXPECT_EQ(rig_.EditSelection(), std::make_pair(DWORD{0}, DWORD{2}));
  TypeAndSee("3", "3");  // the digit replaces the selected text

  // A click into the box while another window is active puts the caret where it lands.
  ASSERT_TRUE(BringToFront(other.handle(), 5s));
  RECT box{};
  GetWindowRect(edit, &box);
  ASSERT_TRUE(MoveTo({box.left + 4, (box.top + box.bottom) / 2}));
  Press(Button::Left);
  Release(Button::Left);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == rig_.window(); }, 5s));
  TypeAndSee("4", "43");
}

}  // namespace
