// The rotctld set-up of RotServer's settings dialog: the model list read from rotctld -l, the
// command line built from the fields, where rotctld.exe is found, what a Test shows, and
// whether the bridge's "Program" is written.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <set>
#include <string>

#include "rotserver/core/rotator_models.h"
#include "rotserver/core/rotctld_command.h"
#include "rotserver/core/settings.h"

namespace {

using namespace rotserver;

#ifndef _WIN32
// The installed rotctld's own list, read now: nothing is copied into the test. Native runs
// only: under Wine a Linux rotctld writes to the Unix output (the Wine system tests read it
// through a file instead).
std::string InstalledList() {
  std::string out;
  if (FILE* pipe = popen("rotctld -l 2>/dev/null", "r")) {
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// One model per row of the installed list, counted the plain way: rows that begin with a number.
int NumberedRows(const std::string& text) {
  int rows = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    size_t first = text.find_first_not_of(' ', at);
    if (first < end && isdigit(static_cast<unsigned char>(text[first]))) ++rows;
    at = end + 1;
  }
  return rows;
}

TEST(RotatorModelList, InstalledRotctldListIsReadWholeAndSortedByMakerAndName) {
  const std::string text = InstalledList();
  ASSERT_FALSE(text.empty()) << "rotctld -l gave nothing: is libhamlib-utils installed?";
  std::vector<RotatorModel> models = ParseModelList(text);
  EXPECT_EQ(static_cast<int>(models.size()), NumberedRows(text));

  std::optional<RotatorModel> gs232b = FindModel(models, "GS-232B");
  ASSERT_TRUE(gs232b);
  EXPECT_EQ(gs232b->number, 603);
  EXPECT_EQ(gs232b->maker, "Yaesu");
  EXPECT_EQ(ModelLabel(*gs232b), "Yaesu GS-232B (603)");
  std::optional<RotatorModel> idiom = FindModel(models, "Rotor-EZ");
  ASSERT_TRUE(idiom);
  EXPECT_EQ(idiom->maker, "Idiom Press") << "a maker with a blank stays whole";
  EXPECT_EQ(FindModel(models, "NET rotctl")->number, 2) << "a name with a blank stays whole";

  std::set<int> numbers;
  for (size_t i = 0; i < models.size(); ++i) {
    numbers.insert(models[i].number);
    EXPECT_FALSE(models[i].name.empty());
    if (i == 0) continue;
    std::string a = models[i - 1].maker, b = models[i].maker;
    for (auto* s : {&a, &b})
      for (char& c : *s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_LE(a, b) << "sorted by maker at " << ModelLabel(models[i]);
  }
  EXPECT_EQ(numbers.size(), models.size()) << "no model twice";
}
#endif

TEST(RotatorModelList, OlderLayoutWithoutMacroColumnAndOverflowingMakerIsRead) {
  // Hamlib 1.2/3.x: narrower columns, "Vers." and no Macro; a maker as long as its column.
  const char* text =
      " Rot #  Mfg              Model                   Vers.   Status\n"
      "     1  Hamlib           Dummy                   0.2     Beta\n"
      "   603  Yaesu            GS-232B                 0.1     Beta\n"
      "   902  SPID             Rot2Prog                1.0     Beta\r\n"
      "  1701  Prosistel Rotators D  Prosistel D      0.4     Beta\n"
      "garbage line\n";
  std::vector<RotatorModel> models = ParseModelList(text);
  ASSERT_EQ(models.size(), 4u);
  EXPECT_EQ(models[0].name, "Dummy");
  EXPECT_EQ(models[1].maker, "Prosistel Rotators D");
  EXPECT_EQ(models[1].name, "Prosistel D");
  EXPECT_EQ(models[1].number, 1701);
  EXPECT_EQ(models[2].name, "Rot2Prog") << "CR LF line ends";
  EXPECT_EQ(models[3].number, 603);
  EXPECT_TRUE(ParseModelList("no header\n   603  Yaesu  GS-232B  1  Beta\n").empty());
}

TEST(RotatorModelList, TypedTextFindsOneModelOrNone) {
  const std::vector<RotatorModel> models = {{603, "Yaesu", "GS-232B"},
                                            {611, "Yaesu", "GS-232B azimuth"},
                                            {606, "Yaesu/Kenpro", "GS-232"}};
  EXPECT_EQ(FindModel(models, "gs-232b")->number, 603) << "exact name before longer names";
  EXPECT_EQ(FindModel(models, "Yaesu GS-232B azimuth (611)")->number, 611);
  EXPECT_EQ(FindModel(models, " 606 ")->number, 606);
  EXPECT_EQ(FindModel(models, "azimuth")->number, 611);
  EXPECT_FALSE(FindModel(models, "yaesu")) << "several fit";
  EXPECT_FALSE(FindModel(models, "Rot2Prog"));
  EXPECT_FALSE(FindModel(models, "  "));
}

Settings GsOnCom3() {
  Settings s;
  s.backend = BackendKind::kRotctld;
  s.rotctld_path = "C:\\Program Files\\hamlib-w64-4.5.5\\bin\\rotctld.exe";
  s.rotctld_model = 603;
  s.rotctld_device = "COM3";
  return s;
}

TEST(RotctldCommandLine, BuiltFromTheFieldsWithQuotedPathAndLoopbackPort) {
  Settings s = GsOnCom3();
  EXPECT_EQ(BuildRotctldCommand(s, 50123),
            "\"C:\\Program Files\\hamlib-w64-4.5.5\\bin\\rotctld.exe\" -m 603 -r COM3 "
            "-T 127.0.0.1 -t 50123");
  s.rotctld_speed = 9600;
  s.rotator_range = "0..450";
  s.rotctld_path = "C:\\Hamlib\\rotctld.exe";
  s.rotctld_device = "";
  EXPECT_EQ(BuildRotctldCommand(s, 4533),
            "C:\\Hamlib\\rotctld.exe -m 603 -s 9600 -C min_az=0,max_az=450 -T 127.0.0.1 -t 4533");
  EXPECT_TRUE(UsesBuiltCommand(s));
  s.rotctld_command = "C:\\Hamlib\\rotctld.exe -m 1";
  EXPECT_FALSE(UsesBuiltCommand(s)) << "a typed command line wins";
  s.rotctld_command.clear();
  s.backend = BackendKind::kSimulated;
  EXPECT_FALSE(UsesBuiltCommand(s));
}

TEST(RotctldCommandLine, NewFieldsAreCheckedAndKeptThroughTheirText) {
  SettingsText text = FormatSettings(GsOnCom3());
  text.rotctld_speed = "9600";
  text.rotator_range = " -180 .. 180 ";
  SettingsError error;
  std::optional<Settings> s = ParseSettings(text, &error);
  ASSERT_TRUE(s) << error.message;
  EXPECT_EQ(s->rotctld_model, 603);
  EXPECT_EQ(s->rotctld_speed, 9600);
  EXPECT_EQ(s->rotator_range, "-180..180");
  EXPECT_EQ(FormatSettings(*s).rotctld_speed, "9600");

  struct Bad {
    const char* field;
    std::string SettingsText::*text;
    const char* typed;
  };
  const Bad bads[] = {{kFieldSpeed, &SettingsText::rotctld_speed, "fast"},
                      {kFieldModel, &SettingsText::rotctld_model, "GS-232B"},
                      {kFieldRotatorRange, &SettingsText::rotator_range, "450..0"},
                      {kFieldRotatorRange, &SettingsText::rotator_range, "0..800"},
                      {kFieldRotctldPath, &SettingsText::rotctld_path, ""},
                      {kFieldDevice, &SettingsText::rotctld_device,
                       "COM\x01"
                       "3"}};
  for (const Bad& bad : bads) {
    SettingsText t = FormatSettings(GsOnCom3());
    t.*bad.text = bad.typed;
    EXPECT_FALSE(ParseSettings(t, &error)) << bad.typed;
    EXPECT_EQ(error.field, bad.field) << bad.typed;
    EXPECT_EQ(error.message.rfind(bad.field, 0), 0u) << error.message;
  }
}

// rotctld's replies in extended mode, as its \dump_state prints limits ("%f") and its p the
// position.
std::optional<RotctldReply> DumpState(double min_az, double max_az, double max_el) {
  std::string text = "dump_state:\nrotctld Protocol Ver: 1\nRotor Model: 603\nMinimum Azimuth: " +
                     std::to_string(min_az) + "\nMaximum Azimuth: " + std::to_string(max_az) +
                     "\nMinimum Elevation: 0.000000\nMaximum Elevation: " + std::to_string(max_el) +
                     "\ndone\nRPRT 0\n";
  return TakeReply(text);
}
std::optional<RotctldReply> Position(const char* azimuth, const char* elevation) {
  std::string text =
      std::string("get_pos:\nAzimuth: ") + azimuth + "\nElevation: " + elevation + "\nRPRT 0\n";
  return TakeReply(text);
}

TEST(RotctldTestText, TheTestBelievesWhatTheLinkWouldAndSaysWhatIsWrong) {
  struct Case {
    std::optional<RotctldReply> state, position;
    std::optional<AzimuthLimits> configured;
    bool answered;
    const char* text;
  } cases[] = {
      {DumpState(-180, 450, 180), Position("123.40", "35.00"), std::nullopt, true,
       "GS-232B answers: azimuth 123\xB0, range -180..450"},
      {DumpState(-1e308, 1e308, 0), Position("5000.00", "0.00"), std::nullopt, false,
       "GS-232B answers, but rotctld's range -1e+308..1e+308 cannot be a rotator's (a bound "
       "beyond -360..720): taken as 0..360; its reading cannot be true: azimuth 5000.0 is "
       "outside the range 0.0..360.0"},
      {DumpState(0, 360, 0), Position("5000.00", "0.00"), std::nullopt, false,
       "GS-232B answers, but its reading cannot be true: azimuth 5000.0 is outside the range "
       "0.0..360.0"},
      {DumpState(0, 1e308, 90), Position("400.00", "0.00"), AzimuthLimits{0, 450}, false,
       "GS-232B answers, but rotctld's range 0.0..1e+308 cannot be a rotator's (a bound beyond "
       "-360..720): using the configured range 0.0..450.0"},
  };
  for (const Case& c : cases) {
    TestOutcome outcome = JudgeTestAnswers("GS-232B", c.configured, c.state, c.position);
    EXPECT_EQ(outcome.answered, c.answered) << c.text;
    EXPECT_EQ(outcome.text, c.text);
  }
}

TEST(RotctldTestText, AnswerAndEndShowWhatAnOperatorNeeds) {
  const std::string rotctld = "C:\\Program Files\\hamlib-w64-4.5.5\\bin\\rotctld.exe";
  EXPECT_EQ(EndedText(rotctld, "Warning: foo\nrot_open: error = IO error\n\n", 2),
            "rotctld ended: rot_open: error = IO error");
  EXPECT_EQ(EndedText(rotctld, "", 3), "rotctld ended with exit code 3 and said nothing");
  // Codes Windows sets itself say why, whatever the program managed to print.
  EXPECT_EQ(EndedText(rotctld, "", 3221225781ul),
            "rotctld.exe could not start: a DLL it needs is missing (0xC0000135); keep "
            "rotctld.exe in Hamlib's bin folder beside its DLLs");
  EXPECT_EQ(EndedText(rotctld, "Opened rot model 603\n", 0xC0000005ul),
            "rotctld.exe crashed (0xC0000005)");
  // A line of 215 MB (a program that prints without end) fits a label.
  const std::string endless(100000, 'x');
  EXPECT_EQ(EndedText(rotctld, endless + "\n", 1), "rotctld ended: " + std::string(197, 'x') + "...");
}

TEST(RotctldTestText, ReadableCutsAtABlankNearTheLimitAndHidesControlCharacters) {
  EXPECT_EQ(Readable("short\ttext", 20), "short text");
  EXPECT_EQ(Readable("rotctld -l did not finish within 5 s", 36),
            "rotctld -l did not finish within 5 s");
  EXPECT_EQ(Readable("rotctld -l did not finish within 5 s", 30), "rotctld -l did not finish...");
  EXPECT_EQ(Readable(std::string(50, 'y'), 10), "yyyyyyy...");
}

TEST(RotctldPortOfACommand, FoundInEveryFormRotctldTakesAndComparedAsWindowsNamesPorts) {
  EXPECT_EQ(DeviceArgument("-m 603 -r COM3 -T 127.0.0.1 -t 4533"), "COM3");
  EXPECT_EQ(DeviceArgument("-m 603 -r \"\\\\.\\COM12\" -t 4533"), "\\\\.\\COM12");
  EXPECT_EQ(DeviceArgument("--rot-file=COM4 -m 1"), "COM4");
  EXPECT_EQ(DeviceArgument("--rot-file COM5"), "COM5");
  EXPECT_EQ(DeviceArgument("-rCOM6"), "COM6");
  EXPECT_EQ(DeviceArgument("-m 1 -t 4533"), "");
  EXPECT_EQ(DeviceArgument("-m 1 -r"), "") << "a switch without its value names nothing";
  EXPECT_TRUE(SameDevice("COM3", "com3"));
  EXPECT_TRUE(SameDevice("\\\\.\\COM12", "COM12"));
  EXPECT_FALSE(SameDevice("COM1", "COM12"));
  EXPECT_FALSE(SameDevice("", "")) << "no port is nobody's port";
}

TEST(RotctldDiscovery, BesideThenPathThenNewestHamlibFolder) {
  std::set<std::string> files = {
      "C:\\Tools\\rotctld.exe", "C:\\Program Files\\hamlib-w64-4.5.9\\bin\\rotctld.exe",
      "C:\\Program Files\\hamlib-w64-4.5.10\\bin\\rotctld.exe",
      "C:\\Program Files (x86)\\hamlib-w32-4.6\\bin\\rotctld.exe", "C:\\Vexal\\rotctld.exe"};
  auto exists = [&](const std::string& p) { return files.count(p) > 0; };
  RotctldPlaces places;
  places.own_folder = "C:\\Vexal\\";
  places.path_variable = "C:\\Windows;\"C:\\Tools\\\"";
  places.hamlib_folders = {"C:\\Program Files (x86)\\hamlib-w32-4.6",
                           "C:\\Program Files\\hamlib-w64-4.5.9",
                           "C:\\Program Files\\hamlib-w64-4.5.10"};
  EXPECT_EQ(FindRotctld(places, exists)->where, "beside RotServer.exe");
  files.erase("C:\\Vexal\\rotctld.exe");
  EXPECT_EQ(FindRotctld(places, exists)->path, "C:\\Tools\\rotctld.exe");
  places.path_variable = "C:\\Windows";
  std::optional<FoundRotctld> found = FindRotctld(places, exists);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->path, "C:\\Program Files\\hamlib-w64-4.5.10\\bin\\rotctld.exe");
  EXPECT_EQ(found->where, "in C:\\Program Files\\hamlib-w64-4.5.10");
  files.erase("C:\\Program Files\\hamlib-w64-4.5.10\\bin\\rotctld.exe");
  files.erase("C:\\Program Files\\hamlib-w64-4.5.9\\bin\\rotctld.exe");
  EXPECT_EQ(FindRotctld(places, exists)->path,
            "C:\\Program Files (x86)\\hamlib-w32-4.6\\bin\\rotctld.exe");
  files.clear();
  EXPECT_FALSE(FindRotctld(places, exists));
}

TEST(BridgeProgramValue, WrittenWhenMissingOrStaleNeverOverAnotherProgram) {
  const std::string own = "C:\\Program Files\\Vexal\\RotServer.exe";
  std::set<std::string> files = {own, "C:\\Other\\PstLike.exe"};
  auto exists = [&](const std::string& p) { return files.count(p) > 0; };
  EXPECT_EQ(ChooseProgram(std::nullopt, own, exists), ProgramChoice::kWrite);
  EXPECT_EQ(ChooseProgram(std::string(""), own, exists), ProgramChoice::kWrite);
  EXPECT_EQ(ChooseProgram(std::string("\"\""), own, exists), ProgramChoice::kWrite);
  EXPECT_EQ(ChooseProgram(std::string("C:\\Gone\\RotServer.exe"), own, exists),
            ProgramChoice::kWrite);
  EXPECT_EQ(ChooseProgram(std::string("\"c:\\program files\\vexal\\rotserver.exe\""), own, exists),
            ProgramChoice::kOurs);
  EXPECT_EQ(ChooseProgram(std::string("C:\\Other\\PstLike.exe"), own, exists),
            ProgramChoice::kAskFirst);
  // Another existing program with an argument, read as the bridge reads it.
  EXPECT_EQ(ChooseProgram(std::string("\"C:\\Other\\PstLike.exe\" /min"), own, exists),
            ProgramChoice::kAskFirst);
  EXPECT_EQ(ProgramValueFor(own), "\"C:\\Program Files\\Vexal\\RotServer.exe\"");
}

}  // namespace
