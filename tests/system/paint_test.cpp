// What the operator sees after each status macro, read from the screen: the colour that fills
// each turn panel and the azimuth drawn in the actual-azimuth box.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "controls_rig.h"
#include "harness.h"
#include "logger_bridge.h"
#include "screen_support.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using logger_test::Picture;
using logger_test::Rgb;

namespace {

// The actual-azimuth box draws in Courier New, 15 pixels, bold, ANSI character set.
const screentest::Face kAzimutFace{"Courier New", 15, true, ANSI_CHARSET};

const uint32_t kRed = Rgb(255, 0, 0);     // colour number 255
const uint32_t kLime = Rgb(0, 255, 0);    // colour number 65280
uint32_t ButtonFace() { return logger_test::FromColorref(GetSysColor(COLOR_BTNFACE)); }

std::string Name(uint32_t rgb) {
  if (rgb == kRed) return "red";
  if (rgb == kLime) return "lime";
  if (rgb == ButtonFace()) return "button face";
  std::ostringstream s;
  s << "0x" << std::hex << rgb;
  return s.str();
}

struct Seen {
  uint32_t links = 0, rechts = 0;  // the colour filling most of each panel
  double text_difference = 1.0;    // from the expected azimuth text
};

// Without Logger32 the bridge still shows every status macro; nothing else is needed.
class Paint : public logger_test::ShownBridgeTest {
 protected:
  void SetUp() override {
    ShownBridgeTest::SetUp();
    if (HasFatalFailure()) return;
    status_ = std::make_unique<controls::StatusClient>();
    ASSERT_TRUE(status_->Connected());
  }

  Seen Look(const std::string& azimuth) const {
    Picture picture = logger_test::CaptureWindow(window_);
    Seen seen;
    if (picture.width == 0) return seen;
    // Inside the 3-pixel bevel and the 2-pixel border, and clear of the frame's last pixel.
    const int inner = screentest::Scaled(6);
    auto panel = [&](int id) {
      RECT area = screentest::WindowAreaInPicture(window_, GetDlgItem(window_, id));
      return screentest::MainColour(picture, screentest::Inset(area, inner));
    };
    seen.links = panel(vexal::kIdPanelLinks);
    seen.rechts = panel(vexal::kIdPanelRechts);
    seen.text_difference = screentest::TextDifference(
        picture,
        screentest::ClientAreaInPicture(window_, GetDlgItem(window_, vexal::kIdIstAzimut)),
        azimuth, kAzimutFace);
    return seen;
  }

  // Waits until the screen shows this, then checks each part of it.
  void ExpectShown(uint32_t links, uint32_t rechts, const std::string& azimuth) {
    Seen seen;
    harness::WaitUntil(
        [&] {
          seen = Look(azimuth);
          return seen.links == links && seen.rechts == rechts && seen.text_difference < 0.02;
        },
        5s);
    EXPECT_EQ(Name(seen.links), Name(links)) << "PanelLinks";
    EXPECT_EQ(Name(seen.rechts), Name(rechts)) << "PanelRechts";
    EXPECT_LT(seen.text_difference, 0.02) << "IstAzimut does not show \"" << azimuth << "\"";
  }

  bool Status(long tenths, int direction) {
    return status_->Execute(controls::StatusMacro(tenths, direction, 0));
  }

  std::unique_ptr<controls::StatusClient> status_;
};

TEST_F(Paint, PanelsAndAzimuthFollowEachStatusMacro) {
  // Before any status macro: button face on both panels, "0" in the box.
  ExpectShown(ButtonFace(), ButtonFace(), "0");

  ASSERT_TRUE(Status(1234, -1));  // turning left
  ExpectShown(kLime, kRed, "123");
  ASSERT_TRUE(Status(900, 0));  // standing
  ExpectShown(kRed, kRed, "90");
  ASSERT_TRUE(Status(3599, 1));  // turning right; 359.9 shows rounded
  ExpectShown(kRed, kLime, "360");
  ASSERT_TRUE(Status(-100000, 0));  // rotator off
  ExpectShown(kRed, kRed, "AUS");
  ASSERT_TRUE(Status(-100000, -1));  // off, but the direction still colours the panels
  ExpectShown(kLime, kRed, "AUS");
  ASSERT_TRUE(Status(-3605, 2));  // any other direction: both red; -0.5 rounds to "-1"
  ExpectShown(kRed, kRed, "-1");
}

TEST_F(Paint, TheComparisonTellsTextsApart) {
  // The reading of the box must see the difference between what it shows and anything else.
  ASSERT_TRUE(Status(1234, 0));
  ExpectShown(kRed, kRed, "123");
  Seen other = Look("128");
  EXPECT_GT(other.text_difference, 0.02) << "\"123\" and \"128\" read alike";
  EXPECT_GT(Look("AUS").text_difference, 0.02);
  EXPECT_GT(Look("12").text_difference, 0.02);
}

}  // namespace
