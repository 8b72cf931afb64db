#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/base/errors.h"
#include "fakes/fake_bridge_view.h"
#include "bridge/rotator/status_macro.h"

namespace {

using vexal::clBtnFace;
using vexal::clLime;
using vexal::clRed;
using vexal::kNoTarget;
using Lines = std::vector<std::string>;

// Ten valid lines with the given azimuth, direction and range mode.
Lines Status(const std::string& azimuth, const std::string& direction = "0",
             const std::string& range = "0") {
  return {azimuth, "0", direction, "0", "0", "0", range, "0", "0", "0"};
}

class StatusMacro : public ::testing::Test {
 protected:
  // Stands in for the real send: records the target and clears it as the real one does.
  void Handle(const Lines& msg) {
    vexal::HandleStatusMacro(msg, state, view, [this] {
      sent.push_back(state.PendingTarget);
      state.PendingTarget = kNoTarget;
    });
  }

  vexal::RotatorState state;
  FakeBridgeView view;
  std::vector<double> sent;
};

TEST_F(StatusMacro, TenLineReportIsStoredAndShown) {
  state.RangeMode = 5;
  Handle({"1234", "0", "1", "0", "0", "0", "0", "0", "0", "0"});
  EXPECT_DOUBLE_EQ(state.ActualAzimuth, 123.4);
  EXPECT_EQ(state.TurnDirection, 1);
  EXPECT_EQ(state.RangeMode, 0);
  EXPECT_EQ(view.ist_azimut, "123");
  EXPECT_EQ(view.links_color, clRed);
  EXPECT_EQ(view.rechts_color, clLime);
}

TEST_F(StatusMacro, DirectionColoursThePanels) {
  Handle(Status("0", "$FFFFFFFF"));  // -1 in hex: turning left
  EXPECT_EQ(view.links_color, clLime);
  EXPECT_EQ(view.rechts_color, clRed);
  for (const char* not_turning : {"0", "2", "-2"}) {
    Handle(Status("0", not_turning));
    EXPECT_EQ(view.links_color, clRed) << not_turning;
    EXPECT_EQ(view.rechts_color, clRed) << not_turning;
  }
}

TEST_F(StatusMacro, LineOneTenthsBecomeAzimuthAndText) {
  struct Case {
    const char* line;
    double azimuth;
    const char* shown;
  };
  const Case cases[] = {
      {"0", 0.0, "0"},
      {"1234", 123.4, "123"},
      {"1235", 123.5, "124"},
      {"3599", 359.9, "360"},
      {"-5", 359.5, "360"},
      {"-3600", 0.0, "0"},
      {"-3604", -0.4, "0"},
      {"-3605", -0.5, "-1"},
      {"-10799", -719.9, "-720"},
      {"-10800", -720.0, "AUS"},
      {"-100000", -10000.0, "AUS"},
      {"-100001", -9640.1, "AUS"},
      {" 1234", 123.4, "123"},
      {"$10", 1.6, "2"},
  };
  for (const Case& c : cases) {
    Handle(Status(c.line));
    EXPECT_NEAR(state.ActualAzimuth, c.azimuth, 1e-9) << "line 1 '" << c.line << "'";
    EXPECT_EQ(view.ist_azimut, c.shown) << "line 1 '" << c.line << "'";
  }
}

TEST_F(StatusMacro, ShortMacroRefreshesFromStoredValues) {
  state.ActualAzimuth = 45.5;
  state.TurnDirection = -1;
  state.RangeMode = 1;
  for (const Lines& msg : {Lines{}, Lines{"x", "", "y", "z", "-", "1.0"}}) {
    view = FakeBridgeView{};
    Handle(msg);
    EXPECT_EQ(state.ActualAzimuth, 45.5);
    EXPECT_EQ(state.TurnDirection, -1);
    EXPECT_EQ(state.RangeMode, 1);
    EXPECT_EQ(view.ist_azimut, "46");
    EXPECT_EQ(view.links_color, clLime);
    EXPECT_EQ(view.rechts_color, clRed);
  }
}

TEST_F(StatusMacro, ShortMacroStillSendsAPendingTarget) {
  state.RotLinkActive = true;
  state.PendingTarget = 245.0;
  Handle({});
  EXPECT_EQ(sent, std::vector<double>{245.0});
}

TEST_F(StatusMacro, LinesBeyondTenAreIgnored) {
  Lines msg = Status("900", "-1", "1");
  msg[9] = "";  // line 10 only has to exist
  msg.push_back("not a number");
  msg.push_back("");
  Handle(msg);
  EXPECT_EQ(state.ActualAzimuth, 90.0);
  EXPECT_EQ(state.RangeMode, 1);
  EXPECT_EQ(view.ist_azimut, "90");
}

TEST_F(StatusMacro, BadLineStopsAfterStoringTheLinesBeforeIt) {
  state.RangeMode = 7;
  state.RotLinkActive = true;
  state.PendingTarget = 100.0;
  Lines msg = Status("1234", "1", "0");
  msg[4] = "x";
  try {
    Handle(msg);
    FAIL() << "line 5 'x' was accepted";
  } catch (const vexal::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' ist kein g\xC3\xBCltiger Integerwert");
  }
  EXPECT_DOUBLE_EQ(state.ActualAzimuth, 123.4);
  EXPECT_EQ(state.TurnDirection, 1);
  EXPECT_EQ(state.RangeMode, 7);
  EXPECT_EQ(view, FakeBridgeView{});
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(state.PendingTarget, 100.0);
}

TEST_F(StatusMacro, TrailingBlankOnLineOneStoresNothing) {
  try {
    Handle(Status("1234 "));
    FAIL() << "trailing blank accepted";
  } catch (const vexal::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1234 ' ist kein g\xC3\xBCltiger Integerwert");
  }
  EXPECT_EQ(state.ActualAzimuth, 0.0);
  EXPECT_EQ(view, FakeBridgeView{});
}

TEST_F(StatusMacro, SevenToNineLinesFailOnTheFirstMissingLine) {
  for (std::size_t count : {7u, 8u, 9u}) {
    state = vexal::RotatorState{};
    state.RotLinkActive = true;
    state.PendingTarget = 10.0;
    view = FakeBridgeView{};
    Lines msg = Status("500", "-1", "3");
    msg.resize(count);
    try {
      Handle(msg);
      FAIL() << count << " lines accepted";
    } catch (const vexal::EStringListError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Listenindex \xC3\xBC"
                "berschreitet das Maximum (" +
                    std::to_string(count) + ")");
    }
    // Lines 1 to 7 were there and are stored; nothing else happened.
    EXPECT_EQ(state.ActualAzimuth, 50.0);
    EXPECT_EQ(state.TurnDirection, -1);
    EXPECT_EQ(state.RangeMode, 3);
    EXPECT_EQ(view.links_color, clBtnFace);
    EXPECT_EQ(view.ist_azimut, "0");
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(state.PendingTarget, 10.0);
  }
}

TEST_F(StatusMacro, RotatorOffKeepsTheTargetForTheNextReport) {
  state.RotLinkActive = true;
  state.PendingTarget = 245.0;
  Handle(Status("-100000"));
  EXPECT_EQ(view.ist_azimut, "AUS");
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(state.PendingTarget, 245.0);

  Handle(Status("1234"));
  EXPECT_EQ(view.ist_azimut, "123");
  EXPECT_EQ(sent, std::vector<double>{245.0});

  Handle(Status("1234"));  // nothing pending any more
  EXPECT_EQ(sent.size(), 1u);
}

TEST_F(StatusMacro, SendsOnlyWithLinkUpTargetPendingAndAzimuthAboveMinus720) {
  struct Case {
    bool link;
    double target;
    const char* azimuth;
    bool sends;
  };
  const Case cases[] = {
      {true, 0.0, "0", true},         {true, -999.0, "0", true},
      {true, -10000.0, "0", false},   {true, kNoTarget, "0", false},
      {false, 245.0, "0", false},     {true, 245.0, "-10799", true},
      {true, 245.0, "-10800", false}, {true, 245.0, "-100000", false},
  };
  for (const Case& c : cases) {
    state = vexal::RotatorState{};
    state.RotLinkActive = c.link;
    state.PendingTarget = c.target;
    sent.clear();
    Handle(Status(c.azimuth));
    EXPECT_EQ(sent.size(), c.sends ? 1u : 0u)
        << "link " << c.link << " target " << c.target << " line 1 " << c.azimuth;
    if (!c.sends) {
      EXPECT_EQ(state.PendingTarget, c.target);
    }
  }
}

}  // namespace
