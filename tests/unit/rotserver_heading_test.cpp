// The heading panel's words, the typed bearing, the pointer read-out, and the window's settings
// (station, presets, placement, stay on top) as the registry keeps them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rotserver/core/heading_text.h"
#include "rotserver/core/settings.h"
#include "rotserver/core/turn_choice.h"

namespace {

using rotserver::ViewState;

TEST(HeadingPanel, HeadingTargetAndWhatTheRotatorDoes) {
  ViewState s;
  EXPECT_EQ(rotserver::HeadingDegrees(s), "---");
  EXPECT_EQ(rotserver::ActivityWords(s), "no reading yet");
  EXPECT_EQ(rotserver::TargetWords(s), "");
  s.azimuth = 244.6;
  s.target = 359.7;
  EXPECT_EQ(rotserver::HeadingDegrees(s), "245\xC2\xB0");
  EXPECT_EQ(rotserver::TargetWords(s), "\xE2\x86\x92 0\xC2\xB0");
  EXPECT_EQ(rotserver::ActivityWords(s), "stopped");
  s.direction = 1;
  EXPECT_EQ(rotserver::ActivityWords(s), "turning right");
  s.direction = -1;
  EXPECT_EQ(rotserver::ActivityWords(s), "turning left");
  s.stale = true;
  s.seconds_since_reading = 4;
  EXPECT_EQ(rotserver::ActivityWords(s), "no reading for 4 s") << "a stale turn is not shown";
  EXPECT_EQ(rotserver::BridgeWords(s), "Logger32-Vexal: not running");
  s.bridge_linked = true;
  EXPECT_EQ(rotserver::BridgeWords(s), "Logger32-Vexal: linked");
}

TEST(HeadingPanel, LinkMarkTellsConnectedTryingAndFault) {
  EXPECT_EQ(rotserver::MarkOf(rotserver::LinkState::kConnected), rotserver::LinkMark::kGood);
  EXPECT_EQ(rotserver::MarkOf(rotserver::LinkState::kConnecting), rotserver::LinkMark::kTrying);
  EXPECT_EQ(rotserver::MarkOf(rotserver::LinkState::kReconnecting), rotserver::LinkMark::kTrying);
  EXPECT_EQ(rotserver::MarkOf(rotserver::LinkState::kFailed), rotserver::LinkMark::kFault);
}

TEST(HeadingPanel, TypedBearings) {
  std::string error;
  EXPECT_EQ(rotserver::ParseBearing("245", &error), 245);
  EXPECT_EQ(rotserver::ParseBearing(" 7 ", &error), 7);
  EXPECT_EQ(rotserver::ParseBearing("360", &error), 0);
  EXPECT_EQ(rotserver::ParseBearing("000", &error), 0);
  for (const char* bad : {"", "361", "-5", "24.5", "2450", "abc", "4 5"}) {
    error.clear();
    EXPECT_FALSE(rotserver::ParseBearing(bad, &error)) << bad;
    EXPECT_EQ(error, "Bearings are whole degrees, 0 to 360.") << bad;
  }
}

TEST(HeadingPanel, NudgeWrapsRoundNorth) {
  EXPECT_EQ(rotserver::Nudged(357.6, 5), 3);
  EXPECT_EQ(rotserver::Nudged(2, -5), 357);
  EXPECT_EQ(rotserver::Nudged(100, 5), 105);
}

TEST(HeadingPanel, PointerReadOut) {
  rotserver::MapSpot spot;
  spot.bearing_deg = 296.6;
  spot.km = 6480.4;
  spot.place = {40.7128, -74.0060};
  EXPECT_EQ(rotserver::SpotWords(spot), "297\xC2\xB0  6,480 km  FN20xr");
  spot.km = 12.2;
  spot.bearing_deg = 359.8;
  EXPECT_EQ(rotserver::SpotWords(spot), "0\xC2\xB0  12 km  FN20xr");
  spot.km = 19999.6;
  EXPECT_EQ(rotserver::SpotWords(spot), "0\xC2\xB0  20,000 km  FN20xr");
}

rotserver::SettingsText Defaults() {
  return rotserver::FormatSettings(rotserver::Settings{});
}

TEST(WindowSettings, RoundTripThroughTheStoredText) {
  rotserver::Settings s;
  s.station = "JN58td";
  s.presets[0] = {"EU", 45};
  s.presets[5] = {"JA LP", 150};
  s.window_box = rotserver::WindowBox{-1200, 40, 320, 480};
  s.stay_on_top = true;
  rotserver::SettingsText text = rotserver::FormatSettings(s);
  EXPECT_EQ(text.presets, "EU 45;NE 45;E 90;S 180;SW 225;JA LP 150");
  EXPECT_EQ(text.window_box, "-1200 40 320 480");
  EXPECT_EQ(text.stay_on_top, "1");
  rotserver::SettingsError error;
  auto back = rotserver::ParseSettings(text, &error);
  ASSERT_TRUE(back) << error.message;
  EXPECT_EQ(back->station, "JN58td");
  EXPECT_EQ(back->presets[5].label, "JA LP");
  EXPECT_EQ(back->presets[5].bearing_deg, 150);
  ASSERT_TRUE(back->window_box);
  EXPECT_EQ(back->window_box->x, -1200);
  EXPECT_EQ(back->window_box->height, 480);
  EXPECT_TRUE(back->stay_on_top);
}

TEST(WindowSettings, EmptyFieldsMeanNoStationDefaultPresetsAndNoPlacement) {
  rotserver::SettingsText text = Defaults();
  text.station = text.presets = text.window_box = text.stay_on_top = "";
  auto s = rotserver::ParseSettings(text, nullptr);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->station, "");
  EXPECT_EQ(s->presets[1].label, "NE");
  EXPECT_EQ(s->presets[1].bearing_deg, 45);
  EXPECT_FALSE(s->window_box);
  EXPECT_FALSE(s->stay_on_top);
}

TEST(WindowSettings, StationIsKeptInItsUsualFormAndBadOnesAreRefused) {
  rotserver::SettingsText text = Defaults();
  text.station = " jn58TD ";
  auto s = rotserver::ParseSettings(text, nullptr);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->station, "JN58td");
  text.station = "48.14, 11.58";
  ASSERT_TRUE((s = rotserver::ParseSettings(text, nullptr)));
  EXPECT_EQ(s->station, "48.14, 11.58");
  text.station = "JN58tz";
  rotserver::SettingsError error;
  EXPECT_FALSE(rotserver::ParseSettings(text, &error));
  EXPECT_EQ(error.field, rotserver::kFieldStation);
  EXPECT_EQ(error.message.rfind("Station must be a locator or latitude and longitude.", 0), 0u)
      << error.message;
}

TEST(WindowSettings, BadPresetsAndPlacementsAreRefusedByName) {
  struct Case {
    const char* presets;
    const char* window_box;
    const char* field;
    const char* starts;
  };
  for (const Case& c :
       {Case{"EU 45;JA 330", "", "Presets", "Presets must be six presets"},
        Case{"EU 45;JA 330;A 1;B 2;C 3;D 4;E 5", "", "Presets", "Presets must be six presets"},
        Case{"EU 45;JA 360;A 1;B 2;C 3;D 4", "", "Presets", "Preset 2 must be a label"},
        Case{"EU 45;JA 330;A 1;B 2;C 3;D", "", "Presets", "Preset 6 must be a label"},
        Case{"TOOLONG 45;JA 330;A 1;B 2;C 3;D 4", "", "Presets", "Preset 1 must be a label"},
        Case{"", "10 10 300", "Window placement", "Window placement must be four"},
        Case{"", "10 10 0 300", "Window placement", "Window placement must be four"},
        Case{"", "10 10 300 300 1", "Window placement", "Window placement must be four"}}) {
    rotserver::SettingsText text = Defaults();
    text.presets = c.presets;
    text.window_box = c.window_box;
    rotserver::SettingsError error;
    EXPECT_FALSE(rotserver::ParseSettings(text, &error)) << c.presets << c.window_box;
    EXPECT_EQ(error.field, c.field);
    EXPECT_EQ(error.message.rfind(c.starts, 0), 0u) << error.message;
  }
}

}  // namespace

namespace {

TEST(TurnChoice, LongPathReversesTheLastShortPathAndStaysThere) {
  rotserver::TurnChoice choice;
  ViewState s;
  EXPECT_FALSE(choice.LongPath(s)) << "nothing known yet";
  s.azimuth = 10;
  EXPECT_EQ(choice.LongPath(s), 190.0) << "from the heading when nothing else is known";
  EXPECT_EQ(choice.Turn(300, false), 300.0);
  EXPECT_EQ(choice.Turn(300, true), 120.0) << "Shift+click: the long path at once";
  s.target = 120;
  choice.SawTarget(s.target);  // the long path just sent comes back as the target
  EXPECT_EQ(choice.LongPath(s), 120.0) << "LP again stays on the long path of 300";
  s.target = 45;  // the bridge asks for 45
  choice.SawTarget(s.target);
  EXPECT_EQ(choice.LongPath(s), 225.0) << "LP reverses the bridge's bearing";
}

TEST(TurnChoice, NudgeFromWhereTheRotatorGoesOrPoints) {
  rotserver::TurnChoice choice;
  ViewState s;
  EXPECT_FALSE(choice.Nudge(s, 5));
  s.azimuth = 100;
  s.target = 200;
  choice.SawTarget(s.target);
  EXPECT_EQ(choice.Nudge(s, 5), 105.0) << "still: from the heading";
  s.direction = 1;
  choice.SawTarget(s.target);  // another target than the nudge's: the bridge asked for 200
  EXPECT_EQ(choice.Nudge(s, -5), 195.0) << "turning: from the target";
  s.direction = 0;
  s.azimuth = 358;
  s.target.reset();  // stopped
  choice.SawTarget(s.target);
  EXPECT_EQ(choice.Nudge(s, 5), 3.0);
}

// Six presses faster than the view comes back add up; a refused or stopped nudge is forgotten.
TEST(TurnChoice, NudgesAddUpHoweverFastTheyCome) {
  rotserver::TurnChoice choice;
  ViewState s;
  s.azimuth = 94;
  std::vector<double> sent;
  for (int i = 0; i < 6; ++i) sent.push_back(*choice.Nudge(s, 5));
  EXPECT_EQ(sent, (std::vector<double>{99, 104, 109, 114, 119, 124}));
  s.target = 124;
  s.direction = 1;
  choice.SawTarget(s.target);  // the view catches up
  EXPECT_EQ(choice.Nudge(s, -5), 119.0);
  choice.SawTarget(s.target);  // ...but shows 124 still: the 119 was refused
  EXPECT_EQ(choice.Nudge(s, 5), 129.0) << "from the target in force";
  choice.Stopped();
  s.target.reset();
  s.direction = 0;
  s.azimuth = 110;
  EXPECT_EQ(choice.Nudge(s, 5), 115.0) << "after a stop, from where it points";
}

}  // namespace
