#include <gtest/gtest.h>

#include <string>

#include "rotserver/core/settings.h"

namespace {

using rotserver::BackendKind;
using rotserver::ParseSettings;
using rotserver::Settings;
using rotserver::SettingsError;
using rotserver::SettingsText;

SettingsText Valid() {
  SettingsText text;
  text.backend = "rotctld";
  text.rotctld_address = "192.168.1.20:4533";
  text.rotctld_command = "rotctld -m 603 -r COM3";
  text.offset_deg = "-15";
  text.range_mode = "0";
  text.poll_ms = "500";
  return text;
}

TEST(RotServerSettings, ValidFieldsAreTakenAsTyped) {
  SettingsError error;
  auto settings = ParseSettings(Valid(), &error);
  ASSERT_TRUE(settings) << error.message;
  EXPECT_EQ(settings->backend, BackendKind::kRotctld);
  EXPECT_EQ(settings->rotctld_address, "192.168.1.20:4533");
  EXPECT_EQ(settings->rotctld_command, "rotctld -m 603 -r COM3");
  EXPECT_EQ(settings->offset_deg, -15);
  EXPECT_EQ(settings->range_mode, 0);
  EXPECT_EQ(settings->poll_ms, 500);
}

TEST(RotServerSettings, BlanksAroundFieldsAndCaseOfTheBackendDoNotMatter) {
  SettingsText text = Valid();
  text.backend = " Simulated ";
  text.rotctld_address = " localhost:1 ";
  text.rotctld_command = "  ";
  text.offset_deg = " +180 ";
  text.range_mode = " 1";
  text.poll_ms = "10000 ";
  auto settings = ParseSettings(text, nullptr);
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->backend, BackendKind::kSimulated);
  EXPECT_EQ(settings->rotctld_address, "localhost:1");
  EXPECT_EQ(settings->rotctld_command, "");
  EXPECT_EQ(settings->offset_deg, 180);
  EXPECT_EQ(settings->poll_ms, 10000);
}

TEST(RotServerSettings, RangeEndsAreAccepted) {
  for (const char* offset : {"-180", "180", "0"})
    for (const char* poll : {"250", "10000"})
      for (const char* address : {"h:1", "h:65535", "[::1]:4533"}) {
        SettingsText text = Valid();
        text.offset_deg = offset;
        text.poll_ms = poll;
        text.rotctld_address = address;
        EXPECT_TRUE(ParseSettings(text, nullptr)) << offset << " " << poll << " " << address;
      }
  SettingsText text = Valid();
  text.rotctld_command = std::string(1024, 'x');
  EXPECT_TRUE(ParseSettings(text, nullptr));
}

struct Invalid {
  std::string SettingsText::*field;
  const char* typed;
  const char* label;
  const char* range_words;  // the allowed range, as the message must name it
};

TEST(RotServerSettings, EachInvalidFieldIsNamedWithItsAllowedRange) {
  const std::string long_command(1025, 'x');
  const Invalid cases[] = {
      {&SettingsText::backend, "simulate", "Backend", "\"simulated\" or \"rotctld\""},
      {&SettingsText::backend, "", "Backend", "\"simulated\" or \"rotctld\""},
      {&SettingsText::rotctld_address, "127.0.0.1", "rotctld address", "1 to 65535"},
      {&SettingsText::rotctld_address, "127.0.0.1:0", "rotctld address", "1 to 65535"},
      {&SettingsText::rotctld_address, "127.0.0.1:65536", "rotctld address", "1 to 65535"},
      {&SettingsText::rotctld_address, ":4533", "rotctld address", "host:port"},
      {&SettingsText::rotctld_address, "my host:4533", "rotctld address", "host:port"},
      {&SettingsText::rotctld_address, "::1:4533", "rotctld address", "host:port"},
      {&SettingsText::rotctld_address, "h:+45", "rotctld address", "host:port"},
      {&SettingsText::rotctld_command, long_command.c_str(), "rotctld command line", "1024"},
      {&SettingsText::rotctld_command, "rotctld\n-m 1", "rotctld command line", "one line"},
      {&SettingsText::offset_deg, "181", "Calibration offset", "-180 to 180"},
      {&SettingsText::offset_deg, "-181", "Calibration offset", "-180 to 180"},
      {&SettingsText::offset_deg, "12.5", "Calibration offset", "-180 to 180"},
      {&SettingsText::offset_deg, "99999999999", "Calibration offset", "-180 to 180"},
      {&SettingsText::offset_deg, "", "Calibration offset", "-180 to 180"},
      {&SettingsText::range_mode, "2", "Range mode", "0 or 1"},
      {&SettingsText::range_mode, "-1", "Range mode", "0 or 1"},
      {&SettingsText::poll_ms, "249", "Poll interval", "250 to 10000"},
      {&SettingsText::poll_ms, "10001", "Poll interval", "250 to 10000"},
      {&SettingsText::poll_ms, "1s", "Poll interval", "250 to 10000"},
  };
  for (const Invalid& c : cases) {
    SettingsText text = Valid();
    text.*c.field = c.typed;
    SettingsError error;
    EXPECT_FALSE(ParseSettings(text, &error)) << c.typed;
    EXPECT_EQ(error.field, c.label) << c.typed;
    EXPECT_EQ(error.message.rfind(c.label, 0), 0u) << error.message;
    EXPECT_NE(error.message.find(c.range_words), std::string::npos) << error.message;
  }
}

TEST(RotServerSettings, FirstInvalidFieldInDialogOrderIsReported) {
  SettingsText text = Valid();
  text.offset_deg = "500";
  text.poll_ms = "5";
  SettingsError error;
  EXPECT_FALSE(ParseSettings(text, &error));
  EXPECT_EQ(error.field, "Calibration offset");
}

TEST(RotServerSettings, FormattedSettingsParseBackToTheSame) {
  Settings original;
  original.backend = BackendKind::kRotctld;
  original.rotctld_address = "[fe80::1]:4533";
  original.rotctld_command = "C:\\Hamlib\\bin\\rotctld.exe -m 202 -r COM4 -s 9600";
  original.offset_deg = -180;
  original.range_mode = 0;
  original.poll_ms = 250;
  SettingsText text = rotserver::FormatSettings(original);
  EXPECT_EQ(text.backend, "rotctld");
  EXPECT_EQ(text.offset_deg, "-180");
  auto back = ParseSettings(text, nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->backend, original.backend);
  EXPECT_EQ(back->rotctld_address, original.rotctld_address);
  EXPECT_EQ(back->rotctld_command, original.rotctld_command);
  EXPECT_EQ(back->offset_deg, original.offset_deg);
  EXPECT_EQ(back->range_mode, original.range_mode);
  EXPECT_EQ(back->poll_ms, original.poll_ms);
  EXPECT_EQ(rotserver::FormatSettings(Settings{}).backend, "simulated");
}

}  // namespace
