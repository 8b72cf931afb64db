#include "rotserver/win/rotctld_setup_win.h"

#include <commdlg.h>

#include <cctype>

#include "rotserver/core/rotctld_setup.h"
#include "rotserver/core/plain_text.h"
#include "rotserver/win/rotctld_locate_win.h"
#include "rotserver/win/settings_dialog_win.h"

namespace rotserver {

namespace {

const char* const kSpeeds[] = {"default", "1200",  "2400",  "4800",  "9600",
                               "19200",   "38400", "57600", "115200"};
const char* const kRanges[] = {kRangeAsReported, "0..360", "0..450", "-180..180", "other:"};
constexpr int kOtherRange = 4;
constexpr unsigned kListTimeoutMs = 5000;

void AddItem(HWND dialog, int id, const std::string& text) {
  SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int Selected(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void Select(HWND dialog, int id, const std::string& text) {
  SendDlgItemMessageA(dialog, id, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(text.c_str()));
}

void Enable(HWND dialog, int id, bool on) {
  EnableWindow(GetDlgItem(dialog, id), on);
}

}  // namespace

// A combo box's chosen item, which during CBN_SELCHANGE its own text does not show yet; what
// is typed when nothing is chosen.
std::string ChosenText(HWND dialog, int id) {
  const int index = Selected(dialog, id);
  if (index < 0) return ControlText(dialog, id);
  const LRESULT length = SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return ControlText(dialog, id);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

RotctldSetupPart::RotctldSetupPart(HWND dialog, std::function<std::optional<Settings>()> checked)
    : dialog_(dialog), checked_(std::move(checked)) {}

RotctldSetupPart::~RotctldSetupPart() {
  if (test_.joinable()) test_.join();
}

void RotctldSetupPart::Fill(const Settings& current) {
  for (const char* speed : kSpeeds) AddItem(dialog_, kIdSpeed, speed);
  Select(dialog_, kIdSpeed,
         current.rotctld_speed ? std::to_string(current.rotctld_speed) : "default");
  for (const char* range : kRanges) AddItem(dialog_, kIdRangeChoice, range);
  std::optional<RotatorRange> range;
  ParseRotatorRange(current.rotator_range, &range);
  const std::string shown = FormatRotatorRange(range);
  SendDlgItemMessageA(dialog_, kIdRangeChoice, CB_SETCURSEL, kOtherRange, 0);
  Select(dialog_, kIdRangeChoice, shown);
  if (range) {
    SetDlgItemTextA(dialog_, kIdRangeMin, std::to_string(range->min_az).c_str());
    SetDlgItemTextA(dialog_, kIdRangeMax, std::to_string(range->max_az).c_str());
  }
  for (const std::string& port : SerialPorts()) AddItem(dialog_, kIdDevice, port);
  SetDlgItemTextA(dialog_, kIdDevice, current.rotctld_device.c_str());

  std::string path = current.rotctld_path;
  if (path.empty()) {
    std::optional<FoundRotctld> found = LocateRotctld();
    path = found ? found->path : "";
    SetDlgItemTextA(dialog_, kIdFoundText,
                    found ? ("Found " + found->where).c_str()
                          : "rotctld.exe not found: install Hamlib, or Browse... to it");
  }
  SetDlgItemTextA(dialog_, kIdRotctldPath, path.c_str());
  LoadModels();
  ShowModel(current.rotctld_model);
  UpdateEnabled();
}

// The controller list of the rotctld now named: read again only when the path changed.
void RotctldSetupPart::LoadModels() {
  const std::string path = ControlText(dialog_, kIdRotctldPath);
  if (path == listed_path_) return;
  listed_path_ = path;
  const std::string typed = ControlText(dialog_, kIdModel);
  SendDlgItemMessageA(dialog_, kIdModel, CB_RESETCONTENT, 0, 0);
  models_.clear();
  if (path.empty()) return;
  CapturedRun run = RunCaptured(QuotedPath(path) + " -l", kListTimeoutMs);
  if (!run.started) {
    SetDlgItemTextA(dialog_, kIdFoundText, run.error.c_str());
    return;
  }
  models_ = ParseModelList(run.output);
  ListModels("", false);
  if (models_.empty())
    SetDlgItemTextA(dialog_, kIdFoundText,
                    ("No controller list: " + EndedText(run.output, 0)).c_str());
  else if (ControlText(dialog_, kIdFoundText).rfind("Found", 0) != 0)
    SetDlgItemTextA(
        dialog_, kIdFoundText,
        (std::to_string(models_.size()) + " controllers known to this rotctld").c_str());
  SetDlgItemTextA(dialog_, kIdModel, typed.c_str());
}

// The drop-down's entries: the models whose label holds `typed` (case ignored), all when it is
// empty. The typed text and its selection stay as they are.
void RotctldSetupPart::ListModels(const std::string& typed, bool drop_down) {
  HWND box = GetDlgItem(dialog_, kIdModel);
  const LRESULT selection = SendMessageA(box, CB_GETEDITSEL, 0, 0);
  while (SendMessageA(box, CB_DELETESTRING, 0, 0) > 0) {
  }
  const std::string want = Lower(typed);
  for (const RotatorModel& model : models_)
    if (Lower(ModelLabel(model)).find(want) != std::string::npos)
      AddItem(dialog_, kIdModel, ModelLabel(model));
  // Dropping the list down selects the whole text, which the next key would replace.
  if (drop_down && SendMessageA(box, CB_GETCOUNT, 0, 0) > 0)
    SendMessageA(box, CB_SHOWDROPDOWN, TRUE, 0);
  SetWindowTextA(box, typed.c_str());
  SendMessageA(box, CB_SETEDITSEL, 0, selection);
}

void RotctldSetupPart::ShowModel(int number) {
  if (!number) return;
  ListModels("", false);
  for (const RotatorModel& model : models_)
    if (model.number == number) {
      Select(dialog_, kIdModel, ModelLabel(model));
      return;
    }
  SetDlgItemTextA(dialog_, kIdModel, std::to_string(number).c_str());
}

std::string RotctldSetupPart::ModelName(int number) const {
  for (const RotatorModel& model : models_)
    if (model.number == number) return model.name;
  return "Model " + std::to_string(number);
}

bool RotctldSetupPart::OnCommand(int id, int code) {
  switch (id) {
    case kIdBrowse:
      if (code == BN_CLICKED) Browse();
      return true;
    case kIdRotctldPath:
      if (code == EN_KILLFOCUS) LoadModels();
      return true;
    case kIdTest:
      if (code == BN_CLICKED) StartTest();
      return true;
    case kIdModel:
      if (code == CBN_EDITCHANGE) ListModels(ControlText(dialog_, kIdModel), true);
      if (code == CBN_SELCHANGE || code == CBN_EDITCHANGE) UpdateEnabled();
      return true;
    case kIdBackend:
    case kIdRangeChoice:
      if (code == CBN_SELCHANGE) UpdateEnabled();
      return true;
    case kIdCommand:
      if (code == EN_CHANGE) UpdateEnabled();
      return true;
  }
  return false;
}

void RotctldSetupPart::Browse() {
  char file[MAX_PATH * 2] = "rotctld.exe";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog_;
  ofn.lpstrFilter = "rotctld.exe\0rotctld.exe\0Programs (*.exe)\0*.exe\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = "Where is Hamlib's rotctld.exe?";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&ofn)) return;
  SetDlgItemTextA(dialog_, kIdRotctldPath, file);
  SetDlgItemTextA(dialog_, kIdFoundText, "");
  LoadModels();
}

// Fields that do not apply to the chosen backend, or to a command line typed by hand, are
// disabled; the address follows a rotctld that RotServer starts itself.
void RotctldSetupPart::UpdateEnabled() {
  const bool rotctld = ChosenText(dialog_, kIdBackend) == "rotctld";
  const bool typed_command = !ControlText(dialog_, kIdCommand).empty();
  const bool built = rotctld && !typed_command && !ChosenText(dialog_, kIdModel).empty();
  for (int id : {kIdRotctldPath, kIdBrowse, kIdModel, kIdDevice, kIdSpeed, kIdRangeChoice})
    Enable(dialog_, id, rotctld && !typed_command);
  const bool other = Selected(dialog_, kIdRangeChoice) == kOtherRange;
  Enable(dialog_, kIdRangeMin, rotctld && !typed_command && other);
  Enable(dialog_, kIdRangeMax, rotctld && !typed_command && other);
  Enable(dialog_, kIdTest, built && !test_.joinable());
  Enable(dialog_, kIdCommand, rotctld);
  Enable(dialog_, kIdAddress, rotctld && !built);
}

void RotctldSetupPart::Collect(SettingsText& text) const {
  text.rotctld_path = ControlText(dialog_, kIdRotctldPath);
  const std::string typed = ControlText(dialog_, kIdModel);
  std::optional<RotatorModel> model = FindModel(models_, typed);
  text.rotctld_model = model ? std::to_string(model->number) : typed;
  text.rotctld_device = ControlText(dialog_, kIdDevice);
  const std::string speed = ControlText(dialog_, kIdSpeed);
  text.rotctld_speed = speed == "default" ? "" : speed;
  text.rotator_range =
      Selected(dialog_, kIdRangeChoice) == kOtherRange
          ? ControlText(dialog_, kIdRangeMin) + ".." + ControlText(dialog_, kIdRangeMax)
          : ControlText(dialog_, kIdRangeChoice);
}

int RotctldSetupPart::ControlOf(const std::string& field) {
  if (field == kFieldRotctldPath) return kIdRotctldPath;
  if (field == kFieldModel) return kIdModel;
  if (field == kFieldDevice) return kIdDevice;
  if (field == kFieldSpeed) return kIdSpeed;
  if (field == kFieldRotatorRange) return kIdRangeMin;
  return 0;
}

void RotctldSetupPart::StartTest() {
  if (test_.joinable()) return;
  std::optional<Settings> settings = checked_();
  if (!settings) return;
  if (!settings->rotctld_model) {
    SetDlgItemTextA(dialog_, kIdTestResult, "Choose a controller first.");
    return;
  }
  ShowModel(settings->rotctld_model);  // "GS-232B" as typed becomes "Yaesu GS-232B (603)"
  const std::string name = ModelName(settings->rotctld_model);
  SetDlgItemTextA(dialog_, kIdTestResult, ("Testing " + name + "...").c_str());
  HWND dialog = dialog_;
  test_ = std::thread([this, dialog, s = *settings, name] {
    TestOutcome outcome = TestRotctld(s, name);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      outcome_ = std::move(outcome);
    }
    PostMessageA(dialog, kTestDoneMessage, 0, 0);
  });
  UpdateEnabled();
}

void RotctldSetupPart::OnTestDone() {
  if (test_.joinable()) test_.join();
  std::optional<TestOutcome> outcome;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    outcome.swap(outcome_);
  }
  if (outcome)
    SetDlgItemTextA(dialog_, kIdTestResult,
                    (outcome->answered ? outcome->text : "Test failed: " + outcome->text).c_str());
  UpdateEnabled();
}

}  // namespace rotserver
