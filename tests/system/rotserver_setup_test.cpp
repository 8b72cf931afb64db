// RotServer.exe set up from its own window, as a first-time operator does it: the settings
// dialog finds rotctld.exe, lists the controllers of that rotctld (a Windows stand-in that
// prints what Debian's real "rotctld -l" printed just now), builds the command line, and its
// Test shows the controller answering or rotctld's own error. Then the bridge's registry value
// "Program" and the bridge link, seen from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/window/widget_ids.h"
#include "harness.h"
#include "logger_bridge.h"
#include "logger_driver.h"
#include "rotserver_support.h"
#include "rotserver/win/main_window_win.h"
#include "winui/registry_win.h"

using namespace harness;
using namespace std::chrono_literals;

namespace {

// The dialog's controls, as the program documents them.
constexpr int kBackend = 1001, kCommand = 1003, kPath = 1007, kFound = 1009, kModel = 1010,
              kDevice = 1011, kRangeChoice = 1013, kTest = 1016, kTestResult = 1017;
constexpr int kMenuSettings = 201, kMenuOfferProgram = 205;
const char kReadingList[] = "reading the controller list\x85";

const char* const kRotServerValues[] = {"RotatorBackend", "CalibrationOffset", "RangeMode",
                                        "RotctldAddress", "RotctldCommand",    "PollInterval",
                                        "RotctldPath",    "RotctldModel",      "RotctldPort",
                                        "RotctldSpeed",   "RotatorRange",      "Program",
                                        "ServeRotctld",   "ServeN1mm",         "N1mmRotorName",
                                        "N1mmStatusTo",   "HoldOffSeconds"};

std::string Stored(const char* name) {
  std::optional<winui::RegValue> value = winui::GetUserValue(harness::kVexalKey, name);
  return value ? std::string(value->bytes.c_str()) : "(none)";
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Debian's rotctld -l, run now by a Linux shell that writes it to `path` (a Linux program
// under Wine writes to the Unix output, so it goes through a file; the rename marks the end).
bool CaptureInstalledList(const std::string& path, const std::string& unix_path) {
  std::string line = "Z:\\bin\\sh -c \"rotctld -l > '" + unix_path + ".part' 2>/dev/null && mv '" +
                     unix_path + ".part' '" + unix_path + "'\"";
  if (unix_path.empty() || !harness::StartLinuxProgram(line)) return false;
  return WaitUntil([&] { return FileExists(path); }, 20s) && !ReadAll(path).empty();
}

// Rows of a model list that begin with a model number and hold `part` (case ignored).
int NumberedRows(const std::string& text, std::string part = "") {
  auto lower = [](std::string t) {
    for (char& c : t) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return t;
  };
  int rows = 0;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos && isdigit(static_cast<unsigned char>(line[first])) &&
        lower(line).find(lower(part)) != std::string::npos)
      ++rows;
  }
  return rows;
}

class RotServerSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TestDir();
    for (const char* name : kRotServerValues) winui::DeleteUserValue(harness::kVexalKey, name);
    // rotctld.exe in a folder with a blank, found on PATH.
    bin_ = dir_ + "\\Hamlib Test\\bin";
    CreateDirectoryA((dir_ + "\\Hamlib Test").c_str(), nullptr);
    CreateDirectoryA(bin_.c_str(), nullptr);
    rotctld_ = bin_ + "\\rotctld.exe";
    ASSERT_TRUE(CopyFileA(BinPath("rotctld-stand-in.exe").c_str(), rotctld_.c_str(), FALSE));
    list_ = dir_ + "\\rotctld-list.txt";
    DeleteFileA(list_.c_str());
    ASSERT_TRUE(CaptureInstalledList(list_, UnixPathOf(list_)))
        << "Debian's rotctld -l gave nothing";
    record_ = dir_ + "\\rotctld-record.txt";
    SetEnvironmentVariableA("VEXAL_STANDIN_LIST", list_.c_str());
    SetEnvironmentVariableA("VEXAL_STANDIN_RECORD", record_.c_str());
    SetEnvironmentVariableA("VEXAL_STANDIN_FAIL", nullptr);
    SetEnvironmentVariableA("VEXAL_STANDIN_PORTS", nullptr);
    SetEnvironmentVariableA("VEXAL_STANDIN_HANDLES", nullptr);
    mode_ = dir_ + "\\stand-in-mode.txt";
    SetMode("serve");
    SetEnvironmentVariableA("VEXAL_STANDIN_MODE", mode_.c_str());
    char path[32768];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    SetEnvironmentVariableA("PATH", (std::string(path) + ";" + bin_).c_str());
  }
  void TearDown() override {
    for (const char* name : kRotServerValues) winui::DeleteUserValue(harness::kVexalKey, name);
  }

  static std::string UnixPathOf(const std::string& windows_path);

  // The first-start dialog of `server`, filled for a GS-232B on COM3 and backend rotctld.
  HWND OpenFirstStartDialog(rstest::RotServer& server) {
    HWND dialog = WaitForTopWindow("RotServer settings", 20s, server.pid());
    if (!dialog) return nullptr;
    HWND backend = GetDlgItem(dialog, kBackend);
    SendMessageA(backend, CB_SETCURSEL, 1, 0);  // "rotctld", as a click picks it
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kBackend, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(backend));
    EXPECT_TRUE(WaitListRead(dialog));
    return dialog;
  }
  // The controller list is read on a thread of its own; the label says when it is done.
  static bool WaitListRead(HWND dialog) {
    return WaitUntil(
        [&] { return WindowText(GetDlgItem(dialog, kFound)).find(kReadingList) == std::string::npos; },
        20s);
  }
  // A path typed and left, as the operator tabs to the next field.
  static void TypePath(HWND dialog, const std::string& path) {
    Type(dialog, kPath, path);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kPath, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kPath)));
  }
  // How the stand-in misbehaves from its next start on.
  void SetMode(const std::string& mode) {
    std::ofstream(mode_, std::ios::binary | std::ios::trunc) << mode << "\n";
  }
  // Another copy of the stand-in, at DIR\folder\rotctld.exe.
  std::string CopyStandIn(const std::string& folder) {
    CreateDirectoryA((dir_ + "\\" + folder).c_str(), nullptr);
    const std::string copy = dir_ + "\\" + folder + "\\rotctld.exe";
    EXPECT_TRUE(CopyFileA(rotctld_.c_str(), copy.c_str(), FALSE));
    return copy;
  }
  static void Type(HWND dialog, int id, const std::string& text) {
    HWND control = GetDlgItem(dialog, id);
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    const WORD code = id == kModel || id == kDevice ? CBN_EDITCHANGE : EN_CHANGE;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
  }
  // Presses Test and waits until its result is no longer "Testing ...". The result of an
  // earlier Test is wiped first, so that it is not taken for this one's.
  static std::string RunTest(HWND dialog) {
    SendMessageA(GetDlgItem(dialog, kTestResult), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    PostMessageA(GetDlgItem(dialog, kTest), BM_CLICK, 0, 0);
    std::string shown;
    WaitUntil(
        [&] {
          shown = WindowText(GetDlgItem(dialog, kTestResult));
          return !shown.empty() && shown.rfind("Testing", 0) != 0;
        },
        20s);
    return shown;
  }
  std::vector<std::string> RecordedLines() { return ReadLines(record_); }

  Job job_;
  std::string dir_, bin_, rotctld_, list_, record_, mode_;
};

std::string RotServerSetup::UnixPathOf(const std::string& windows_path) {
  using Convert = char*(CDECL*)(const WCHAR*);
  auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  std::wstring wide(windows_path.begin(), windows_path.end());
  char* unix_path = convert ? convert(wide.c_str()) : nullptr;
  std::string result = unix_path ? unix_path : "";
  if (unix_path) HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

TEST_F(RotServerSetup, FirstStartWithOnlyTheDialogReachesTheRotatorAndTurnsItFromTheBridge) {
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  HWND dialog = OpenFirstStartDialog(server);
  ASSERT_TRUE(dialog) << "no settings dialog at the first start";

  EXPECT_EQ(WindowText(GetDlgItem(dialog, kPath)), rotctld_);
  EXPECT_EQ(WindowText(GetDlgItem(dialog, kFound)), "Found on PATH (" + bin_ + ")");
  const LRESULT listed = SendMessageA(GetDlgItem(dialog, kModel), CB_GETCOUNT, 0, 0);
  EXPECT_EQ(listed, NumberedRows(ReadAll(list_))) << "one entry per model rotctld -l lists";

  Type(dialog, kModel, "GS-232B");
  EXPECT_EQ(SendMessageA(GetDlgItem(dialog, kModel), CB_GETCOUNT, 0, 0),
            NumberedRows(ReadAll(list_), "GS-232B"))
      << "typing keeps the models that hold the typed text";
  EXPECT_EQ(WindowText(GetDlgItem(dialog, kModel)), "GS-232B") << "the typed text stays";
  Type(dialog, kDevice, "COM3");
  EXPECT_EQ(RunTest(dialog), "GS-232B answers: azimuth 123\xB0, range -180..450");
  EXPECT_EQ(WindowText(GetDlgItem(dialog, kModel)), "Yaesu GS-232B (603)");

  std::vector<std::string> recorded = RecordedLines();
  ASSERT_GE(recorded.size(), 2u);
  EXPECT_EQ(recorded[0], "\"" + rotctld_ + "\" -l") << "the list comes from this rotctld";
  const std::string expected_start = "\"" + rotctld_ + "\" -m 603 -r COM3 -T 127.0.0.1 -t ";
  ASSERT_EQ(recorded[1].rfind(expected_start, 0), 0u) << recorded[1];
  const std::string port = recorded[1].substr(expected_start.size());
  EXPECT_EQ(port.find_first_not_of("0123456789"), std::string::npos) << port;
  EXPECT_NE(port, "4533") << "a spare port, not rotctld's default";
  for (const std::string& line : recorded)
    EXPECT_EQ(line.find("< +P"), std::string::npos) << "a Test never moves the rotator";

  // The rotator's real range, passed to rotctld, which then reports it.
  HWND range = GetDlgItem(dialog, kRangeChoice);
  SendMessageA(range, CB_SETCURSEL, 2, 0);  // "0..450"
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kRangeChoice, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(range));
  EXPECT_EQ(RunTest(dialog), "GS-232B answers: azimuth 123\xB0, range 0..450");

  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(server.WaitLog("rotctld connected", 20s));
  EXPECT_EQ(Stored("RotatorRange"), "0..450");
  EXPECT_EQ(Stored("RotctldModel"), "603");
  EXPECT_EQ(Stored("RotctldPort"), "COM3");
  EXPECT_EQ(Stored("RotctldCommand"), "") << "nothing typed under Advanced";
  EXPECT_EQ(Stored("Program"), '"' + rstest::RotServerPath() + '"')
      << "the bridge learns where RotServer is";

  // RotServer links to a bridge window as it finds one. The target waits for that link: sent
  // while RotServer was still looking, this test's synchronous execute (a real bridge's are
  // asynchronous) went unanswered for its whole 5 s in some runs under load.
  rstest::FakeBridge bridge;
  ASSERT_TRUE(bridge.WaitAzimuth(1230, 20s)) << "RotServer reports rotctld's reading";
  ASSERT_TRUE(bridge.SendTarget(2450)) << bridge.failure() << "; RotServer's log:\n"
                                       << ReadAll(dir_ + "\\rotserver.log");
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (const std::string& line : RecordedLines())
          if (line.rfind("< +P 245", 0) == 0) return true;
        return false;
      },
      20s))
      << "the target from the bridge reached rotctld";
  recorded = RecordedLines();
  std::vector<std::string> starts;
  for (const std::string& line : recorded)
    if (line.rfind("\"" + rotctld_ + "\" -m 603 -r COM3 ", 0) == 0) starts.push_back(line);
  ASSERT_EQ(starts.size(), 3u) << "two Tests' rotctld and RotServer's own";
  const std::string with_range = "-m 603 -r COM3 -C min_az=0,max_az=450 -T 127.0.0.1 -t ";
  EXPECT_NE(starts[1].find(with_range), std::string::npos) << starts[1];
  EXPECT_NE(starts[2].find(with_range), std::string::npos) << starts[2];
}

// The whole chain as an operator meets it: RotServer set up in its first-start dialog only, then
// Logger32 and the real bridge, which finds RotServer through the "Program" RotServer wrote.
TEST_F(RotServerSetup, LoggerTurnsTheRotatorThroughTheRealBridgeAfterOnlyTheDialog) {
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  HWND dialog = OpenFirstStartDialog(server);
  ASSERT_TRUE(dialog);
  Type(dialog, kModel, "GS-232B");
  Type(dialog, kDevice, "COM3");
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(server.WaitLog("rotctld connected", 20s));

  logger_test::LoggerDriver logger(job_, dir_);
  auto bridge = std::make_unique<logger_test::BridgeUnderTest>(job_);
  ASSERT_TRUE(bridge->WaitShown(30s));
  EXPECT_TRUE(server.WaitLog("bridge linked", 20s)) << "the bridge's greeting opens the link";
  EXPECT_TRUE(WaitUntil([&] { return bridge->Text(vexal::kIdIstAzimut) == "123"; }, 20s))
      << bridge->Text(vexal::kIdIstAzimut);

  ASSERT_TRUE(logger.Command("turn 245"));
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (const std::string& line : RecordedLines())
          if (line.rfind("< +P 245", 0) == 0) return true;
        return false;
      },
      20s))
      << "Logger32's turn reached rotctld";
  EXPECT_TRUE(WaitUntil([&] { return bridge->Text(vexal::kIdIstAzimut) == "245"; }, 20s));

  bridge->process().Kill();
  EXPECT_TRUE(server.WaitLog("bridge not linked", 20s)) << "the line follows the bridge's end";
}

// What the Test and the controller list say when they cannot work, while the dialog and the
// bridge's status macros go on, and the chosen controller stays.
TEST_F(RotServerSetup, TestAndListSayWhatIsWrongAndKeepTheChosenController) {
  SetEnvironmentVariableA("VEXAL_STANDIN_FAIL", "rot_open: error = IO error");
  rstest::FakeBridge bridge;
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  HWND dialog = OpenFirstStartDialog(server);
  ASSERT_TRUE(dialog);
  HWND found = GetDlgItem(dialog, kFound), model = GetDlgItem(dialog, kModel),
       test = GetDlgItem(dialog, kTest);
  Type(dialog, kModel, "GS-232B");
  Type(dialog, kDevice, "COM3");
  EXPECT_EQ(RunTest(dialog), "Test failed: rotctld ended: rot_open: error = IO error");
  ASSERT_EQ(WindowText(model), "Yaesu GS-232B (603)");

  // A typed path to no file: named, no Test, the controller kept.
  const std::string missing = dir_ + "\\No Hamlib\\rotctld.exe";
  TypePath(dialog, missing);
  EXPECT_EQ(WindowText(found), "No rotctld.exe at " + missing);
  EXPECT_FALSE(IsWindowEnabled(test));
  EXPECT_EQ(WindowText(model), "Yaesu GS-232B (603)");

  // A -l that never ends: read aside, the bridge served meanwhile, given up after 5 s.
  SetMode("list-hang");
  const std::size_t macros_before = bridge.macros().size();
  const ULONGLONG since = GetTickCount64();
  TypePath(dialog, CopyStandIn("Hung"));
  EXPECT_EQ(WindowText(found), kReadingList);
  EXPECT_FALSE(IsWindowEnabled(test)) << "no Test before the list is read";
  ASSERT_TRUE(WaitUntil(
      [&] { return WindowText(found) == "rotctld -l did not finish within 5 s"; }, 20s))
      << WindowText(found);
  const ULONGLONG span_ms = GetTickCount64() - since;
  EXPECT_GE(bridge.macros().size() - macros_before, span_ms / 1000 * 3)
      << "status macros paused while the list was read";
  EXPECT_EQ(WindowText(model), "Yaesu GS-232B (603)");
  EXPECT_TRUE(IsWindowEnabled(test)) << "the list read before still knows the controller";

  // A -l that prints without end: ended at 4 MB, said in a line that fits its label.
  SetMode("list-endless");
  TypePath(dialog, CopyStandIn("Endless"));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return WindowText(found) ==
               "rotctld -l printed more than 4 MB without finishing, which no controller list does";
      },
      20s))
      << WindowText(found).substr(0, 300);
  EXPECT_EQ(RunTest(dialog), "Test failed: rotctld ended: rot_open: error = IO error")
      << "the Test still knows the controller";

  // A whole command line typed under Advanced takes the controller's place: no Test for it.
  Type(dialog, kCommand, "\"" + rotctld_ + "\" -m 1 -t 4533");
  EXPECT_FALSE(IsWindowEnabled(test));
  EXPECT_FALSE(IsWindowEnabled(model));
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

// A serial port opens for one process at a time (the stand-in holds "COM3" as a file of its
// own): the Test of the port in use pauses RotServer's own rotctld and starts it again
// afterwards, whatever came of the Test; a dialog closed during a Test ends that Test's rotctld
// at once, and the window answers at once.
TEST_F(RotServerSetup, TestOfThePortInUsePausesRotServersRotctldAndCancelEndsItAtOnce) {
  SetEnvironmentVariableA("VEXAL_STANDIN_PORTS", dir_.c_str());
  const std::string handles = dir_ + "\\handles.txt";
  SetEnvironmentVariableA("VEXAL_STANDIN_HANDLES", handles.c_str());
  rotserver::Settings settings;
  settings.backend = rotserver::BackendKind::kRotctld;
  settings.rotctld_path = rotctld_;
  settings.rotctld_model = 603;
  settings.rotctld_device = "COM3";
  rstest::StoreSettings(settings);
  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  auto connects = [&] {
    std::size_t n = 0;
    for (const std::string& line : server.Log()) n += line.find("rotctld connected") != std::string::npos;
    return n;
  };
  ASSERT_TRUE(WaitUntil([&] { return connects() >= 1; }, 20s));
  PostMessageA(server.window(), WM_COMMAND, kMenuSettings, 0);
  HWND dialog = WaitForTopWindow("RotServer settings", 10s, server.pid());
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(WaitListRead(dialog));
  EXPECT_EQ(RunTest(dialog), "GS-232B answers: azimuth 123\xB0, range -180..450");
  EXPECT_TRUE(server.WaitLog("supervisor: rotctld paused for the Test", 5s));
  EXPECT_TRUE(server.WaitLog("supervisor: resumed after the Test", 5s));
  EXPECT_TRUE(WaitUntil([&] { return connects() >= 2; }, 20s)) << "its own rotctld not back";
  // Every rotctld so far (RotServer's twice, the list's, the Test's) held its current folder
  // and its output pipe only: none of RotServer's sockets, nor its --log file.
  const std::vector<std::string> held = ReadLines(handles);
  EXPECT_EQ(held.size(), 4u);
  for (const std::string& line : held) {
    EXPECT_EQ(line, "handles disk=1 pipe=1");
  }

  SetMode("hang");
  PostMessageA(GetDlgItem(dialog, kTest), BM_CLICK, 0, 0);
  std::string hung;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (const std::string& line : RecordedLines())
          if (line.rfind("hang pid=", 0) == 0) hung = line;
        return !hung.empty();
      },
      10s));
  SetMode("serve");
  EXPECT_TRUE(WaitUntil(
      [&] {
        return server.ChildText(rotserver::kIdStatusLine).find("paused for the Test") !=
               std::string::npos;
      },
      5s))
      << server.ChildText(rotserver::kIdStatusLine);
  HANDLE test_rotctld = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(hung.substr(9)));
  ASSERT_NE(test_rotctld, nullptr);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(WaitForSingleObject(test_rotctld, 2000), WAIT_OBJECT_0)
      << "the Test's rotctld outlived the dialog";
  CloseHandle(test_rotctld);
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutA(server.window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer), 0)
      << "the window waited for the Test";
  EXPECT_TRUE(WaitUntil([&] { return connects() >= 3; }, 20s))
      << "its own rotctld not back after a cancelled Test";
}

// The serial ports Windows lists, in number order, whatever order the registry keeps them in.
TEST_F(RotServerSetup, SerialPortsAreOfferedInNumberOrder) {
  const char kSerialComm[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::pair<const char*, const char*> ports[] = {{"\\Device\\TestSerial10", "COM10"},
                                                       {"\\Device\\TestSerial7", "COM7"}};
  for (const auto& [name, port] : ports)
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                             static_cast<DWORD>(strlen(port) + 1)),
              ERROR_SUCCESS);

  rstest::RotServer server(job_, dir_ + "\\rotserver.log");
  HWND dialog = OpenFirstStartDialog(server);
  std::vector<std::string> offered;
  if (dialog) {
    HWND box = GetDlgItem(dialog, kDevice);
    const LRESULT count = SendMessageA(box, CB_GETCOUNT, 0, 0);
    // Wide: Wine hands another process's ANSI list text back as UTF-16.
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t text[64] = L"";
      if (SendMessageW(box, CB_GETLBTEXTLEN, i, 0) < 64)
        SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      offered.emplace_back(text, text + wcslen(text));
    }
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  }
  for (const auto& [name, port] : ports) RegDeleteValueA(key, name);
  RegCloseKey(key);

  ASSERT_TRUE(dialog);
  auto seven = std::find(offered.begin(), offered.end(), "COM7");
  auto ten = std::find(offered.begin(), offered.end(), "COM10");
  std::string all;
  for (const std::string& o : offered) all += o + " ";
  ASSERT_NE(seven, offered.end()) << all;
  ASSERT_NE(ten, offered.end());
  EXPECT_LT(seven, ten) << "COM7 before COM10";
}

class RotServerProgramValue : public RotServerSetup {
 protected:
  // RotServer with stored settings (no dialog), until it has decided about "Program".
  void StartAndWaitForDecision(rstest::RotServer*& server) {
    rotserver::Settings simulated;
    rstest::StoreSettings(simulated);
    server = new rstest::RotServer(job_, dir_ + "\\rotserver.log");
    ASSERT_TRUE(server->WaitLog("bridge program: ", 20s));
  }
};

TEST_F(RotServerProgramValue, WrittenWhenStaleLeftAloneWhenAnotherProgramUnlessTheOperatorAgrees) {
  const std::string other = "\"" + BinPath("logger32-sim.exe") + "\"";
  winui::SetUserString(harness::kVexalKey, "Program", other);
  rstest::RotServer* server = nullptr;
  StartAndWaitForDecision(server);
  std::unique_ptr<rstest::RotServer> owned(server);
  EXPECT_EQ(Stored("Program"), other) << "another existing program is never replaced unasked";

  // The menu asks first: No keeps it, Yes replaces it.
  for (int answer : {IDNO, IDYES}) {
    PostMessageA(server->window(), WM_COMMAND, kMenuOfferProgram, 0);
    HWND box = nullptr;  // the question: a message box, not the main window of that title
    ASSERT_TRUE(WaitUntil(
        [&] {
          box = FindWindowA("#32770", "RotServer");
          return box && IsWindowVisible(box);
        },
        10s));
    EXPECT_NE(WindowText(GetDlgItem(box, 0xFFFF)).find(BinPath("logger32-sim.exe")),
              std::string::npos)
        << "the question names the program now started";
    PostMessageA(box, WM_COMMAND, answer, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10s));
    ASSERT_TRUE(server->WaitLog(answer == IDNO ? "notice Logger32-Vexal still starts "
                                               : "notice Logger32-Vexal will start this RotServer",
                                10s));
    EXPECT_EQ(Stored("Program"), answer == IDNO ? other : "\"" + rstest::RotServerPath() + "\"");
  }
}

TEST_F(RotServerProgramValue, WrittenAtStartWhenItNamesAFileThatIsGone) {
  winui::SetUserString(harness::kVexalKey, "Program", "\"C:\\Gone\\RotServer.exe\"");
  rstest::RotServer* server = nullptr;
  StartAndWaitForDecision(server);
  std::unique_ptr<rstest::RotServer> owned(server);
  EXPECT_EQ(Stored("Program"), '"' + rstest::RotServerPath() + '"');
  EXPECT_TRUE(server->WaitLog("notice Logger32-Vexal will start this RotServer", 5s));
}

TEST_F(RotServerProgramValue, BridgeLinkFollowsTheBridgesConversation) {
  rstest::RotServer* server = nullptr;
  StartAndWaitForDecision(server);
  std::unique_ptr<rstest::RotServer> owned(server);
  {
    rstest::FakeBridge bridge;
    // As in the first-start test: the target waits until RotServer has found the bridge.
    ASSERT_TRUE(WaitUntil([&] { return !bridge.macros().empty(); }, 10s));
    ASSERT_TRUE(bridge.SendTarget(900)) << bridge.failure();
    EXPECT_TRUE(server->WaitLog("bridge linked", 10s));
  }
  EXPECT_TRUE(server->WaitLog("bridge not linked", 10s));

  // A client that dies without ending its conversation: Wine may not tell the server, yet the
  // line follows.
  auto count = [&](const std::string& needle) {
    int n = 0;
    for (const std::string& line : server->Log()) n += line.find(needle) != std::string::npos;
    return n;
  };
  Child client(job_, "\"" + BinPath("rotator-sim.exe") +
                         "\" --client --service RotServer --topic RotServConv --exec hello "
                         "--hold 120000 --log \"" +
                         dir_ + "\\client.log\"");
  ASSERT_TRUE(WaitUntil([&] { return count("bridge linked") == 2; }, 20s));
  client.Kill();
  EXPECT_TRUE(WaitUntil([&] { return count("bridge not linked") == 2; }, 20s));
}

}  // namespace
