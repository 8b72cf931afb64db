// RotServer's settings: stored in HKCU\Software\Vexal beside the bridge's "Program", and the
// settings dialog driven as an operator would, from a second thread while it runs modally.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver/win/settings_dialog_win.h"
#include "rotserver/win/settings_store_win.h"
#include "winui/registry_win.h"

using namespace harness;
using namespace std::chrono_literals;
using rotserver::BackendKind;
using rotserver::Settings;

namespace {

const char* const kValueNames[] = {
    "RotatorBackend", "CalibrationOffset", "RangeMode",    "RotctldAddress", "RotctldCommand",
    "PollInterval",   "RotctldPath",       "RotctldModel", "RotatorRange",   "ServeRotctld",
    "ServeN1mm",      "N1mmRotorName",     "N1mmStatusTo", "HoldOffSeconds"};


void DeleteRotServerValues() {
  for (const char* name : kValueNames) winui::DeleteUserValue(harness::kVexalKey, name);
}

void SetValue(const char* name, const std::string& value) {
  winui::SetUserString(harness::kVexalKey, name, value);
}

// The stored string, or "(none)".
std::string StoredValue(const char* name) {
  std::optional<winui::RegValue> value = winui::GetUserValue(harness::kVexalKey, name);
  if (!value) return "(none)";
  return value->type == REG_SZ ? std::string(value->bytes.c_str()) : "(not REG_SZ)";
}

class RotServerRegistry : public ::testing::Test {
 protected:
  void SetUp() override { DeleteRotServerValues(); }
  void TearDown() override { DeleteRotServerValues(); }
};

TEST_F(RotServerRegistry, SavedSettingsLoadBackAsStoredStrings) {
  EXPECT_FALSE(rotserver::LoadSettings()) << "nothing stored yet";
  SetValue("Program", "C:\\RotServer\\RotServer.exe");

  Settings s;
  s.backend = BackendKind::kRotctld;
  s.rotctld_address = "10.0.0.7:4533";
  s.rotctld_command = "C:\\Hamlib\\rotctld.exe -m 603 -r COM3";
  s.offset_deg = -15;
  s.poll_ms = 750;
  s.serve_n1mm = "12040";
  s.n1mm_rotor_name = "Tower";
  s.hold_off_s = 20;
  std::string error;
  ASSERT_TRUE(rotserver::SaveSettings(s, &error)) << error;

  EXPECT_EQ(StoredValue("RotatorBackend"), "rotctld");
  EXPECT_EQ(StoredValue("RotctldAddress"), "10.0.0.7:4533");
  EXPECT_EQ(StoredValue("RotctldCommand"), "C:\\Hamlib\\rotctld.exe -m 603 -r COM3");
  EXPECT_EQ(StoredValue("CalibrationOffset"), "-15");
  EXPECT_EQ(StoredValue("PollInterval"), "750");
  EXPECT_EQ(StoredValue("ServeN1mm"), "12040");
  EXPECT_EQ(StoredValue("ServeRotctld"), "") << "a shut door";
  EXPECT_EQ(StoredValue("HoldOffSeconds"), "20");
  EXPECT_EQ(StoredValue("Program"), "C:\\RotServer\\RotServer.exe") << "the bridge's value stays";

  std::optional<rotserver::LoadedSettings> loaded = rotserver::LoadSettings();
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(loaded->problems.empty());
  const Settings& back = loaded->settings;
  EXPECT_EQ(back.backend, BackendKind::kRotctld);
  EXPECT_EQ(back.rotctld_address, "10.0.0.7:4533");
  EXPECT_EQ(back.rotctld_command, "C:\\Hamlib\\rotctld.exe -m 603 -r COM3");
  EXPECT_EQ(back.offset_deg, -15);
  EXPECT_EQ(back.poll_ms, 750);
  EXPECT_EQ(back.n1mm_rotor_name, "Tower");
  EXPECT_EQ(back.hold_off_s, 20);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Vexal", "Program");
}

// A stored value that cannot be used is named, with what is stored; the others still load.
TEST_F(RotServerRegistry, BadStoredValuesAreNamedNotReplacedSilently) {
  SetValue("RotatorBackend", "simulate");  // what older versions stored
  SetValue("CalibrationOffset", "400");
  SetValue("PollInterval", "2000");
  std::optional<rotserver::LoadedSettings> loaded = rotserver::LoadSettings();
  ASSERT_TRUE(loaded);
  ASSERT_EQ(loaded->problems.size(), 1u);
  EXPECT_EQ(loaded->problems[0].field, "Calibration offset");
  EXPECT_EQ(loaded->problems[0].message,
            "Calibration offset must be a whole number of degrees from -180 to 180 (stored: "
            "\"400\").");
  EXPECT_EQ(loaded->settings.backend, BackendKind::kSimulated);
  EXPECT_EQ(loaded->settings.poll_ms, 2000);
}

TEST_F(RotServerRegistry, AValueOfAnotherRegistryTypeIsAProblem) {
  SetValue("RotatorBackend", "rotctld");
  const DWORD poll = 500;
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, harness::kVexalKey, "PollInterval", REG_DWORD, &poll, sizeof poll),
            ERROR_SUCCESS);
  const char multi[] = "127.0.0.1:4533\0\0";
  ASSERT_EQ(
      RegSetKeyValueA(HKEY_CURRENT_USER, harness::kVexalKey, "RotctldAddress", REG_MULTI_SZ, multi, sizeof multi),
      ERROR_SUCCESS);
  std::optional<rotserver::LoadedSettings> loaded = rotserver::LoadSettings();
  ASSERT_TRUE(loaded);
  ASSERT_EQ(loaded->problems.size(), 2u);
  EXPECT_EQ(loaded->problems[0].message,
            "rotctld address is stored as REG_MULTI_SZ; it must be a string (REG_SZ).");
  EXPECT_EQ(loaded->problems[1].message,
            "Poll interval is stored as REG_DWORD; it must be a string (REG_SZ).");
  EXPECT_EQ(loaded->settings.backend, BackendKind::kRotctld);
}

// What the second thread saw of one refused OK.
struct Refusal {
  std::string box_text;
  bool focus_on_field = false;
  bool dialog_shown = false;  // the dialog stood behind the box
};

// Drives the modal settings dialog from another thread: fills fields, presses OK, reads and
// closes the box that refuses a field.
class DialogDriver {
 public:
  using Script = std::function<void(DialogDriver&)>;
  explicit DialogDriver(Script script)
      : ui_thread_(GetCurrentThreadId()), thread_([this, script] { Run(script); }) {}
  ~DialogDriver() {
    if (thread_.joinable()) thread_.join();
  }
  void Join() { thread_.join(); }

  bool found = false;
  std::vector<Refusal> refusals;

  void SetField(int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog_, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // As a click picks it: the dialog hears of the change and enables the fields that apply.
  void SelectItem(int id, int index) {
    HWND list = GetDlgItem(dialog_, id);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  void SelectBackend(int index) { SelectItem(rotserver::kIdBackend, index); }
  // Presses OK and, when a box refuses a field, records and closes it.
  void PressOkExpectingRefusal(int field_id) {
    PostMessageA(GetDlgItem(dialog_, IDOK), BM_CLICK, 0, 0);
    TakeRefusal(field_id);
  }
  // Records and closes the box that refuses a field, and where the focus went.
  void TakeRefusal(int field_id) {
    HWND box = WaitForWindow("Invalid setting");
    Refusal r;
    if (box) {
      r.dialog_shown = IsWindowVisible(dialog_);
      r.box_text = WindowText(GetDlgItem(box, 0xFFFF));
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      Wait([&] { return !IsWindow(box); });
      GUITHREADINFO info{};
      info.cbSize = sizeof(info);
      // A combo box with a typed text gives the focus to its edit child.
      HWND field = GetDlgItem(dialog_, field_id);
      auto on_field = [&] { return info.hwndFocus == field || IsChild(field, info.hwndFocus); };
      Wait([&] { return GetGUIThreadInfo(ui_thread_, &info) && on_field(); });
      r.focus_on_field = on_field();
    }
    refusals.push_back(r);
  }
  void PressOk() { PostMessageA(GetDlgItem(dialog_, IDOK), BM_CLICK, 0, 0); }
  std::string Text(int id) { return WindowText(GetDlgItem(dialog_, id)); }
  bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }
  void Cancel() { PostMessageA(dialog_, WM_COMMAND, IDCANCEL, 0); }

 private:
  static bool Wait(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {  // 10 s at most
      if (condition()) return true;
      Sleep(20);
    }
    return false;
  }
  // Visible: a dialog shows itself once its WM_INITDIALOG has filled the fields.
  static HWND WaitForWindow(const char* title) {
    HWND found = nullptr;
    Wait([&] {
      found = FindWindowA("#32770", title);
      return found && IsWindowVisible(found);
    });
    return found;
  }
  void Run(const Script& script) {
    dialog_ = WaitForWindow("RotServer settings");
    found = dialog_ != nullptr;
    if (found) script(*this);
  }

  DWORD ui_thread_;
  HWND dialog_ = nullptr;
  std::thread thread_;
};

class RotServerSettingsDialog : public RotServerRegistry {
 protected:
  void SetUp() override {
    RotServerRegistry::SetUp();
    rotserver::WindowActions actions;
    actions.apply_settings = [this](const Settings& s) { applied_.push_back(s); };
    window_ = rotserver::CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL, actions);
  }

  std::unique_ptr<rotserver::MainWindow> window_;
  std::vector<Settings> applied_;
};

TEST_F(RotServerSettingsDialog, EachInvalidFieldIsRefusedWithItsRangeAndNothingStored) {
  struct Case {
    int id;
    const char* typed;
    const char* message;
    const char* fixed;  // valid again for the next case
  };
  const std::string long_command(1025, 'x');
  const Case cases[] = {
      {rotserver::kIdAddress, "localhost:0",
       "rotctld address must be host:port, with a port from 1 to 65535 (e.g. 127.0.0.1:4533).",
       "localhost:4533"},
      {rotserver::kIdCommand, long_command.c_str(),
       "rotctld command line must be one line of at most 1024 characters, or empty.", ""},
      {rotserver::kIdOffset, "-200",
       "Calibration offset must be a whole number of degrees from -180 to 180.", "180"},
      {rotserver::kIdDevice, "COM9\" -s 1200 -C post_write_delay=5000 \"x",
       "Serial port must be a serial port from COM1 to COM256, or host:port of a network "
       "controller.",
       "COM3"},
      {rotserver::kIdServeRotctld, "4533",
       "rotctld clients must be an address of this computer and a port (e.g. 127.0.0.1:4533), "
       "or blank for none.",
       ""},
      {rotserver::kIdPoll, "100",
       "Poll interval must be a whole number of milliseconds from 250 to 10000.", "250"},
  };
  DialogDriver driver([&](DialogDriver& d) {
    d.SelectBackend(1);  // "rotctld": every field applies
    for (const Case& c : cases) {
      d.SetField(c.id, c.typed);
      d.PressOkExpectingRefusal(c.id);
      d.SetField(c.id, c.fixed);
    }
    d.SelectBackend(-1);  // no backend chosen
    d.PressOkExpectingRefusal(rotserver::kIdBackend);
    d.Cancel();
  });
  window_->OpenSettings(Settings{});
  driver.Join();

  ASSERT_TRUE(driver.found) << "no settings dialog";
  ASSERT_EQ(driver.refusals.size(), std::size(cases) + 1);
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(driver.refusals[i].box_text, cases[i].message);
    EXPECT_TRUE(driver.refusals[i].focus_on_field) << cases[i].message;
  }
  EXPECT_EQ(driver.refusals.back().box_text,
            "Backend must be one of \"simulated\" or \"rotctld\".");
  EXPECT_TRUE(driver.refusals.back().focus_on_field) << "Backend";
  for (const char* name : kValueNames) EXPECT_EQ(StoredValue(name), "(none)") << name;
  EXPECT_TRUE(applied_.empty());
}

TEST_F(RotServerSettingsDialog, OkStoresTheFieldsAndAppliesThem) {
  Settings current;
  current.offset_deg = 5;
  std::string loopback_warning, open_warning;
  DialogDriver driver([&](DialogDriver& d) {
    d.SelectBackend(1);  // "rotctld"
    d.SetField(rotserver::kIdAddress, "rotor.local:4533");
    d.SetField(rotserver::kIdOffset, "-7");
    d.SetField(rotserver::kIdPoll, "400");
    d.SetField(rotserver::kIdServeRotctld, "127.0.0.1:4533");
    loopback_warning = d.Text(rotserver::kIdNetworkWarning);
    d.SetField(rotserver::kIdServeN1mm, "0.0.0.0:12040");
    open_warning = d.Text(rotserver::kIdNetworkWarning);
    d.SetField(rotserver::kIdHoldOff, "30");
    d.PressOk();
  });
  window_->OpenSettings(current);
  driver.Join();

  ASSERT_TRUE(driver.found);
  EXPECT_EQ(StoredValue("RotatorBackend"), "rotctld");
  EXPECT_EQ(StoredValue("RotctldAddress"), "rotor.local:4533");
  EXPECT_EQ(StoredValue("CalibrationOffset"), "-7");
  EXPECT_EQ(StoredValue("RangeMode"), "(none)") << "the range mode follows the range";
  EXPECT_EQ(StoredValue("PollInterval"), "400");
  EXPECT_EQ(StoredValue("RotctldCommand"), "");
  EXPECT_EQ(StoredValue("ServeRotctld"), "127.0.0.1:4533");
  EXPECT_EQ(StoredValue("ServeN1mm"), "0.0.0.0:12040");
  EXPECT_EQ(StoredValue("HoldOffSeconds"), "30");
  EXPECT_EQ(loopback_warning, "") << "only this computer reaches 127.0.0.1";
  EXPECT_EQ(open_warning,
            "Other computers can reach the N1MM commands door: anyone on that network can then "
            "turn the antenna.");
  ASSERT_EQ(applied_.size(), 1u);
  EXPECT_EQ(applied_[0].backend, BackendKind::kRotctld);
  EXPECT_EQ(applied_[0].offset_deg, -7);
}

// The greyed fields show what is in use: no address for the rotctld RotServer starts on a
// port of its own, and the bounds of the range chosen from the list.
TEST_F(RotServerSettingsDialog, MenuOpensTheDialogWithTheStoredSettings) {
  SetValue("CalibrationOffset", "33");
  SetValue("RotatorBackend", "rotctld");
  SetValue("RotctldPath", "C:\\Hamlib\\rotctld.exe");
  SetValue("RotctldModel", "603");
  SetValue("RotctldAddress", "127.0.0.1:4533");
  SetValue("RotatorRange", "0..450");
  std::string offset_shown, backend_shown, address_shown, range_shown, range_after;
  bool address_enabled = true;
  DialogDriver driver([&](DialogDriver& d) {
    offset_shown = d.Text(rotserver::kIdOffset);
    backend_shown = d.Text(rotserver::kIdBackend);
    address_shown = d.Text(rotserver::kIdAddress);
    address_enabled = d.Enabled(rotserver::kIdAddress);
    range_shown = d.Text(rotserver::kIdRangeMin) + ".." + d.Text(rotserver::kIdRangeMax);
    d.SelectItem(rotserver::kIdRangeChoice, 3);  // "-180..180"
    range_after = d.Text(rotserver::kIdRangeMin) + ".." + d.Text(rotserver::kIdRangeMax);
    d.Cancel();
  });
  SendMessageA(window_->hwnd(), WM_COMMAND, rotserver::kIdMenuSettings, 0);
  driver.Join();
  ASSERT_TRUE(driver.found);
  EXPECT_EQ(offset_shown, "33");
  EXPECT_EQ(backend_shown, "rotctld");
  EXPECT_EQ(address_shown, "") << "RotServer picks a spare port at each start";
  EXPECT_FALSE(address_enabled);
  EXPECT_EQ(range_shown, "0..450");
  EXPECT_EQ(range_after, "-180..180");
  EXPECT_TRUE(applied_.empty()) << "Cancel applies nothing";
}

// A stored value that cannot be used: the dialog opens with its field marked, the stored text
// of the command shown whole (nothing is lost), and OK refuses it until it is mended.
TEST_F(RotServerSettingsDialog, OpensWithTheStoredProblemMarked) {
  Settings stored;
  stored.rotctld_command = "C:\\rotctld.exe " + std::string(1020, 'x');
  const rotserver::SettingsProblem problem{"rotctld command line",
                                           "rotctld command line must be short (stored: ...)."};
  std::string command_shown;
  DialogDriver driver([&](DialogDriver& d) {
    d.TakeRefusal(rotserver::kIdCommand);
    HWND edit = GetDlgItem(FindWindowA("#32770", "RotServer settings"), rotserver::kIdCommand);
    command_shown.resize(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1);
    command_shown.resize(static_cast<size_t>(
        GetWindowTextA(edit, command_shown.data(), static_cast<int>(command_shown.size()))));
    d.PressOkExpectingRefusal(rotserver::kIdCommand);
    d.Cancel();
  });
  window_->OpenSettings(stored, &problem);
  driver.Join();

  ASSERT_TRUE(driver.found);
  ASSERT_EQ(driver.refusals.size(), 2u);
  EXPECT_EQ(driver.refusals[0].box_text, "rotctld command line must be short (stored: ...).");
  EXPECT_TRUE(driver.refusals[0].focus_on_field);
  EXPECT_TRUE(driver.refusals[0].dialog_shown);
  EXPECT_EQ(command_shown, stored.rotctld_command);
  EXPECT_EQ(driver.refusals[1].box_text,
            "rotctld command line must be one line of at most 1024 characters, or empty.");
  EXPECT_TRUE(applied_.empty());
}

}  // namespace
