#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "rotserver/core/bridge_door.h"
#include "rotserver/core/front_end.h"
#include "rotserver/core/settings.h"
#include "rotserver/core/settings_checks.h"
#include "rotserver/core/simulated_driver.h"

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
  EXPECT_EQ(settings->poll_ms, 500);
}

TEST(RotServerSettings, BlanksAroundFieldsAndCaseOfTheBackendDoNotMatter) {
  SettingsText text = Valid();
  text.backend = " Simulated ";
  text.rotctld_address = " localhost:1 ";
  text.rotctld_command = "  ";
  text.offset_deg = " +180 ";
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

// Each case alone on top of `valid`: refused, named by its field, with the allowed range.
template <std::size_t N>
void ExpectEachRefused(const SettingsText& valid, const Invalid (&cases)[N]) {
  for (const Invalid& c : cases) {
    SettingsText text = valid;
    text.*c.field = c.typed;
    SettingsError error;
    EXPECT_FALSE(ParseSettings(text, &error)) << c.typed;
    EXPECT_EQ(error.field, c.label) << c.typed;
    EXPECT_EQ(error.message.rfind(c.label, 0), 0u) << error.message;
    EXPECT_NE(error.message.find(c.range_words), std::string::npos) << error.message;
  }
}

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
      {&SettingsText::rotctld_address, "127.0.0.1\" -C x:4533", "rotctld address", "host:port"},
      {&SettingsText::poll_ms, "249", "Poll interval", "250 to 10000"},
      {&SettingsText::poll_ms, "10001", "Poll interval", "250 to 10000"},
      {&SettingsText::poll_ms, "1s", "Poll interval", "250 to 10000"},
  };
  ExpectEachRefused(Valid(), cases);
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
  stored["RotatorRange"] = Text("-180..180");
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
    EXPECT_EQ(loaded.settings.rotator_range, "-180..180") << "the other values are still read";
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

// One row per setting: its registry name and label are its own, its default passes its own
// check, and its value survives the way through the stored text.
TEST(RotServerSettingsTable, EachRowIsItsOwnAndItsDefaultPassesItsCheck) {
  std::set<std::string> names, labels;
  const Settings defaults;
  for (const rotserver::SettingRow& row : rotserver::SettingRows()) {
    EXPECT_TRUE(names.insert(row.value_name).second) << row.value_name;
    EXPECT_TRUE(labels.insert(row.label).second) << row.label;
    EXPECT_EQ(rotserver::FindSettingRow(row.label), &row);
    Settings read;
    std::string error;
    EXPECT_TRUE(row.read(row, row.default_text, read, &error)) << row.label << ": " << error;
    EXPECT_EQ(row.write(read), row.write(defaults)) << row.label;
    EXPECT_EQ(rotserver::FormatSettings(defaults).*row.text, row.write(defaults)) << row.label;
  }
  EXPECT_EQ(names.count("RangeMode"), 0u) << "the range mode follows the rotator's range";
  EXPECT_EQ(defaults.presets[3].label, "S");
  EXPECT_EQ(defaults.poll_ms, 1000);
  EXPECT_EQ(defaults.rotctld_address, "127.0.0.1:4533");
}

// Nothing but a port's or a host's name reaches rotctld's command line or a socket.
TEST(RotServerSettingsChecks, PortsAndAddressesHoldOnlyWhatSuchNamesCanHold) {
  SettingsError error;
  for (const char* device :
       {"COM9\" -s 1200 -C post_write_delay=5000 \"x", "COM3 -s 1200", "COM0", "COM257", "LPT1",
        "COM3;", "rotor:0", "-m 1:4533", "host name:4533", "h\":4533"}) {
    SettingsText text = Valid();
    text.rotctld_device = device;
    EXPECT_FALSE(ParseSettings(text, &error)) << device;
    EXPECT_EQ(error.field, "Serial port") << device;
    EXPECT_NE(error.message.find("COM1 to COM256"), std::string::npos) << error.message;
  }
  for (const char* device :
       {"", "COM1", "com256", "\\\\.\\COM12", "rotor.lan:4533", "[::1]:4533", "192.168.1.20:23"}) {
    SettingsText text = Valid();
    text.rotctld_device = device;
    EXPECT_TRUE(ParseSettings(text, &error)) << device << ": " << error.message;
  }
  using rotserver::ParseListenAddress;
  EXPECT_EQ(ParseListenAddress("12040", true)->host, "127.0.0.1");
  EXPECT_FALSE(ParseListenAddress("12040", false)) << "a rotctld door names its address";
  EXPECT_EQ(ParseListenAddress("[::1]:4533", false)->port, 4533);
  // Written back, an address reads as itself; a bare port as the local one.
  EXPECT_EQ(rotserver::NetAddressText(*ParseListenAddress("12040", true)), "127.0.0.1:12040");
  EXPECT_EQ(rotserver::NetAddressText(*ParseListenAddress("[::1]:4533", false)), "[::1]:4533");
  for (const char* bad : {"localhost:4533", "127.0.0.256:4533", "127.0.0.1:", "1.2.3:4533",
                          "127.0.0.01:4533", "0x7f.0.0.1:1", " :1", "127.0.0.1:45 33"})
    EXPECT_FALSE(ParseListenAddress(bad, true)) << bad;
  EXPECT_TRUE(rotserver::IsLoopback("127.8.9.10"));
  EXPECT_TRUE(rotserver::IsLoopback("::1"));
  EXPECT_FALSE(rotserver::IsLoopback("0.0.0.0"));
  EXPECT_FALSE(rotserver::IsLoopback("127.example.com"));
}

TEST(RotServerSettingsChecks, NetworkDoorsAreOffWhenBlankAndRefusedInWordsWhenWrong) {
  SettingsText text = Valid();
  auto settings = ParseSettings(text, nullptr);
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->serve_rotctld, "");
  EXPECT_EQ(settings->hold_off_s, 0);
  text.serve_rotctld = " 0.0.0.0:4533 ";
  text.serve_n1mm = "12040";
  text.n1mm_rotor_name = "Tower 1";
  text.n1mm_status_to = "shack-pc:13010";
  text.hold_off_s = "600";
  ASSERT_TRUE((settings = ParseSettings(text, nullptr)));
  EXPECT_EQ(settings->serve_rotctld, "0.0.0.0:4533");
  EXPECT_EQ(settings->serve_n1mm, "12040");
  EXPECT_EQ(settings->n1mm_rotor_name, "Tower 1");
  EXPECT_EQ(settings->n1mm_status_to, "shack-pc:13010");
  EXPECT_EQ(settings->hold_off_s, 600);
  const Invalid cases[] = {
      {&SettingsText::serve_rotctld, "4533", "rotctld clients", "address of this computer"},
      {&SettingsText::serve_rotctld, "pc:4533", "rotctld clients", "address of this computer"},
      {&SettingsText::serve_n1mm, "70000", "N1MM rotor commands", "a port"},
      {&SettingsText::n1mm_rotor_name, "<rotor>", "N1MM rotor name", "without < > or &"},
      {&SettingsText::n1mm_status_to, "13010", "N1MM heading to", "host:port"},
      {&SettingsText::hold_off_s, "601", "Hold others off", "0 to 600"},
  };
  ExpectEachRefused(text, cases);
}

// A dialog checks its own fields: the station is saved beside a rotator value stored wrongly.
TEST(RotServerSettingsScope, EachDialogChecksOnlyItsOwnFields) {
  Settings base;
  base.rotctld_address = "host:";  // as kept from a bad stored value for the settings dialog
  SettingsText text = rotserver::FormatSettings(base);
  text.station = "jn58td";
  SettingsError error;
  auto window = ParseSettings(text, &error, rotserver::SettingScope::kWindow, base);
  ASSERT_TRUE(window) << error.message;
  EXPECT_EQ(window->station, "JN58td");
  EXPECT_EQ(window->rotctld_address, "host:") << "the other scope's values come from the base";
  text.station = "nowhere";
  text.offset_deg = "5";
  auto rotator = ParseSettings(text, &error, rotserver::SettingScope::kRotator, base);
  EXPECT_FALSE(rotator) << "the address is the settings dialog's own";
  EXPECT_EQ(error.field, "rotctld address");
}

// A bad value of the window's own never stops the rotator and never hides the others.
TEST(RotServerStoredSettings, BadWindowValuesAreTheWindowsProblemsAndTakeTheirDefaults) {
  StoredSettings stored = AllStored();
  stored["Presets"] = Text("A -5;B 1;C 2;D 3;E 4;F 5");
  stored["Station"] = Text(std::string(1 << 20, 'J'));
  stored["WindowPlacement"] = Text("nan");
  stored["StayOnTop"] = {StoredValue::Kind::kOtherType, "REG_DWORD"};
  LoadedSettings loaded = CheckStoredSettings(stored);
  EXPECT_TRUE(loaded.problems.empty()) << loaded.problems.front().message;
  ASSERT_EQ(loaded.window_problems.size(), 4u);
  EXPECT_EQ(loaded.window_problems[0].field, "Station");
  EXPECT_NE(loaded.window_problems[0].message.find("(1048576 characters)"), std::string::npos);
  EXPECT_EQ(loaded.window_problems[1].message.rfind("Preset 1 must be", 0), 0u);
  EXPECT_EQ(loaded.settings.presets[0].label, "N") << "the default presets for this run";
  EXPECT_FALSE(loaded.settings.window_box);
  EXPECT_EQ(loaded.settings.offset_deg, -15);
  EXPECT_EQ(loaded.settings.backend, BackendKind::kRotctld);

  StoredSettings only_window;
  only_window["WindowPlacement"] = Text("10 10 300 300");
  EXPECT_FALSE(rotserver::RotatorStored(only_window)) << "still the first start";
  stored["RotctldPort"] = Text("COM9\" -s 1200 \"x");
  loaded = CheckStoredSettings(stored);
  ASSERT_EQ(loaded.problems.size(), 1u);
  EXPECT_EQ(loaded.problems[0].field, "Serial port");
  EXPECT_EQ(loaded.settings.rotctld_device, "COM9\" -s 1200 \"x") << "shown to be mended";
}

TEST(RotServerRange, TheBridgeIsToldWhereTheEndStopIs) {
  EXPECT_EQ(rotserver::RangeModeFor(-180, 0), 0);
  EXPECT_EQ(rotserver::RangeModeFor(-180, 0), 0) << "-180..450";
  EXPECT_EQ(rotserver::RangeModeFor(0, 0), 1) << "0..360, 0..450";
  EXPECT_EQ(rotserver::RangeModeFor(0, 180), 0) << "a rotator mounted the other way round";
  EXPECT_EQ(rotserver::RangeModeFor(-180, -170), 1);
  // The bridge's door tells it from the limits of the rotator in use.
  rotserver::SimulatedConfig south;
  south.min_az = -180;
  south.max_az = 180;
  rotserver::SimulatedDriver driver(south);
  rotserver::FrontEnd front(driver, {});
  front.Tick(0);
  EXPECT_EQ(rotserver::BridgeDoor().StatusMacro(front.LiveReading(0), front.Limits()), "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
  SettingsText text = Valid();
  text.rotator_range = "-360..720";
  SettingsError error;
  EXPECT_FALSE(ParseSettings(text, &error)) << "wider than two turns";
  EXPECT_NE(error.message.find("at most 720 apart"), std::string::npos) << error.message;
}

TEST(RotServerPlacement, AWindowBoxIsFittedIntoTheWorkArea) {
  using rotserver::FitWindowBox;
  using rotserver::WindowBox;
  const WindowBox work{0, 0, 1280, 984};
  auto same = [](const WindowBox& a, const WindowBox& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
  };
  EXPECT_TRUE(same(FitWindowBox({-99000, 0, 100000, 600}, work, 100), {0, 0, 1280, 600}));
  EXPECT_TRUE(same(FitWindowBox({5000, 4000, 320, 620}, work, 100), {960, 364, 320, 620}));
  EXPECT_TRUE(same(FitWindowBox({-40, -30, 20, 10}, work, 100), {0, 0, 100, 100}));
  EXPECT_TRUE(same(FitWindowBox({30, 30, 320, 620}, work, 100), {30, 30, 320, 620}));
  EXPECT_TRUE(
      same(FitWindowBox({100, 50, 320, 620}, {-1280, 0, 1280, 1024}, 100), {-320, 50, 320, 620}))
      << "a monitor left of the main one";
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
