#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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
      {&SettingsText::rotctld_command, "\"C:\\Program Files\\rotctld.exe -m 1",
       "rotctld command line", "never closed"},
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

using rotserver::CheckStoredSettings;
using rotserver::LoadedSettings;
using rotserver::StoredSettings;
using rotserver::StoredValue;

StoredValue Text(const std::string& text) {
  return {StoredValue::Kind::kString, text};
}

StoredSettings AllStored() {
  StoredSettings stored;
  stored["RotatorBackend"] = Text("rotctld");
  stored["RotctldAddress"] = Text("10.0.0.7:4533");
  stored["RotctldCommand"] = Text("C:\\Hamlib\\rotctld.exe -m 603");
  stored["CalibrationOffset"] = Text("-15");
  stored["RangeMode"] = Text("0");
  stored["PollInterval"] = Text("750");
  return stored;
}

TEST(RotServerStoredSettings, OlderNameOfTheSimulatedBackendStillMeansIt) {
  StoredSettings older;
  older["RotatorBackend"] = Text("simulate");
  LoadedSettings loaded = CheckStoredSettings(older);
  EXPECT_TRUE(loaded.problems.empty());
  EXPECT_EQ(loaded.settings.backend, BackendKind::kSimulated);
}

// Every value that cannot be used is a problem that names its field and what is stored; none
// falls back silently to a default.
TEST(RotServerStoredSettings, EachUnusableValueIsAProblemThatQuotesIt) {
  struct Case {
    const char* field;
    StoredValue value;
    const char* message;
  };
  const std::string long_command = "C:\\rotctld.exe " + std::string(1020, 'x');
  const Case cases[] = {
      {"PollInterval", Text("0"),
       "Poll interval must be a whole number of milliseconds from 250 to 10000 (stored: \"0\")."},
      {"PollInterval", Text("abc"),
       "Poll interval must be a whole number of milliseconds from 250 to 10000 (stored: \"abc\")."},
      {"PollInterval",
       {StoredValue::Kind::kOtherType, "REG_DWORD"},
       "Poll interval is stored as REG_DWORD; it must be a string (REG_SZ)."},
      {"RotctldAddress", Text("host:"),
       "rotctld address must be host:port, with a port from 1 to 65535 (e.g. 127.0.0.1:4533) "
       "(stored: \"host:\")."},
      {"CalibrationOffset", Text("nan"),
       "Calibration offset must be a whole number of degrees from -180 to 180 (stored: \"nan\")."},
      {"RotatorBackend", Text("rotctl"),
       "Backend must be one of \"simulated\" or \"rotctld\" (stored: \"rotctl\")."},
      {"RotctldCommand", Text(long_command),
       "rotctld command line must be one line of at most 1024 characters, or empty (stored: "
       "\"C:\\rotctld.exe xxxxxxxxxxxxxxxxxxxxxxxxx...\" (1035 characters))."},
  };
  for (const Case& c : cases) {
    StoredSettings stored = AllStored();
    stored[c.field] = c.value;
    LoadedSettings loaded = CheckStoredSettings(stored);
    ASSERT_EQ(loaded.problems.size(), 1u) << c.message;
    EXPECT_EQ(loaded.problems[0].message, c.message);
    EXPECT_EQ(loaded.problems[0].message.rfind(loaded.problems[0].field, 0), 0u);
    EXPECT_EQ(loaded.settings.range_mode, 0) << "the other values are still read";
  }
}

TEST(RotServerStoredSettings, UnusableTextIsKeptForTheDialogAndProblemsComeInDialogOrder) {
  StoredSettings stored = AllStored();
  const std::string long_command = "C:\\rotctld.exe " + std::string(1020, 'x');
  stored["PollInterval"] = {StoredValue::Kind::kOtherType, "REG_BINARY"};
  stored["RotctldCommand"] = Text(long_command);
  stored["RotctldAddress"] = Text("host:");
  stored["RotatorBackend"] = Text("rotctl");
  LoadedSettings loaded = CheckStoredSettings(stored);
  ASSERT_EQ(loaded.problems.size(), 4u);
  EXPECT_EQ(loaded.problems[0].field, "Backend");
  EXPECT_EQ(loaded.problems[1].field, "rotctld address");
  EXPECT_EQ(loaded.problems[2].field, "rotctld command line");
  EXPECT_EQ(loaded.problems[3].field, "Poll interval");
  EXPECT_EQ(loaded.settings.rotctld_command, long_command) << "the long command is not dropped";
  EXPECT_EQ(loaded.settings.rotctld_address, "host:");
  EXPECT_EQ(loaded.settings.offset_deg, -15);
  EXPECT_EQ(rotserver::ProblemsText({loaded.problems[0], loaded.problems[3]}),
            "bad settings: Backend must be one of \"simulated\" or \"rotctld\" (stored: "
            "\"rotctl\"). Poll interval is stored as REG_BINARY; it must be a string (REG_SZ).");
}

TEST(RotServerStoredSettings, AMissingBackendBesideOtherValuesIsNoChoiceOfTheSimulatedOne) {
  StoredSettings stored = AllStored();
  stored.erase("RotatorBackend");
  LoadedSettings loaded = CheckStoredSettings(stored);
  ASSERT_EQ(loaded.problems.size(), 1u);
  EXPECT_EQ(loaded.problems[0].message,
            "Backend is not stored: choose \"simulated\" or \"rotctld\".");
  EXPECT_TRUE(CheckStoredSettings(StoredSettings{}).problems.empty()) << "nothing stored at all";
}

// A store of six values whose write of one value fails: the save leaves what was there.
struct FlakyStore {
  std::vector<std::string> values{"a0", "a1", "a2", "a3", "a4", "a5"};
  std::size_t failing = 99;
  bool restore_works = true;

  std::optional<std::string> Save(const std::vector<std::string>& next) {
    const std::vector<std::string> before = values;
    return rotserver::WriteAllOrNone(
        next.size(),
        [&](std::size_t i) -> std::optional<std::string> {
          if (i == failing) return "value " + std::to_string(i) + " cannot be stored";
          values[i] = next[i];
          return std::nullopt;
        },
        [&](std::size_t i) {
          if (!restore_works && i == 0) return false;
          values[i] = before[i];
          return true;
        });
  }
};

TEST(RotServerSettingsSave, AFailedWriteLeavesTheValuesStoredBefore) {
  const std::vector<std::string> next{"b0", "b1", "b2", "b3", "b4", "b5"};
  FlakyStore store;
  EXPECT_EQ(store.Save(next), std::nullopt);
  EXPECT_EQ(store.values, next);

  FlakyStore failing;
  failing.failing = 3;
  EXPECT_EQ(failing.Save(next),
            "value 3 cannot be stored; the settings stored before were put back");
  EXPECT_EQ(failing.values, (std::vector<std::string>{"a0", "a1", "a2", "a3", "a4", "a5"}));

  FlakyStore stuck;
  stuck.failing = 2;
  stuck.restore_works = false;
  EXPECT_EQ(stuck.Save(next),
            "value 2 cannot be stored; the settings stored before could not all be put back");
  EXPECT_EQ(stuck.values[1], "a1") << "every other value is still put back";
}

}  // namespace
