#include "rotserver/win/settings_rotctld_win.h"

#include <commdlg.h>

#include <cctype>

#include "rotserver/core/rotctld_command.h"
#include "rotserver/core/plain_text.h"
#include "rotserver/win/machine_survey_win.h"
#include "rotserver/win/settings_dialog_ids_win.h"
#include "winui/control_text_win.h"
#include "winui/file_exists_win.h"

namespace rotserver {

namespace {

const char* const kSpeeds[] = {"default", "1200",  "2400",  "4800",  "9600",
                               "19200",   "38400", "57600", "115200"};
const char* const kRanges[] = {kRangeAsReported, "0..360", "0..450", "-180..180", "other:"};
constexpr int kOtherRange = 4;
// Windows-1252, as every text of this dialog.
constexpr char kReadingList[] = "reading the controller list\x85";

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
  if (index < 0) return winui::ControlText(dialog, id);
  const LRESULT length = SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return winui::ControlText(dialog, id);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

namespace {

// The controller's number at the end of its label, "Yaesu GS-232B (603)": the typed controller
// still means that model while no list is at hand.
std::optional<int> LabelNumber(const std::string& label) {
  const std::size_t open = label.rfind('(');
  if (open == std::string::npos || label.size() < open + 3 || label.back() != ')') return std::nullopt;
  int number = 0;
  for (std::size_t i = open + 1; i + 1 < label.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(label[i])) || i - open > 6) return std::nullopt;
    number = number * 10 + (label[i] - '0');
  }
  return number;
}

void SetText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextA(dialog, id, Readable(text).c_str());
}

}  // namespace

RotctldSetupPart::RotctldSetupPart(HWND dialog, std::function<std::optional<Settings>()> checked)
    : dialog_(dialog), checked_(std::move(checked)) {}

RotctldSetupPart::~RotctldSetupPart() {
  EndRuns();
}

void RotctldSetupPart::EndRuns() {
  list_cancel_.Set();
  test_cancel_.Set();
  if (list_.joinable()) list_.join();
  if (test_.joinable()) test_.join();
  pause_.reset();  // after the Test's rotctld has gone: RotServer's own starts again
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
    if (found) found_ = "Found " + found->where;
    SetText(dialog_, kIdFoundText,
            found ? found_ : "rotctld.exe not found: install Hamlib, or Browse... to it");
  }
  SetDlgItemTextA(dialog_, kIdRotctldPath, path.c_str());
  pending_model_ = current.rotctld_model;
  ShowModel(current.rotctld_model);
  LoadModels();
  UpdateEnabled();
}

// The controller list of the rotctld now named: read again, on a thread of its own, only when
// the path changed. A list that cannot be read keeps the one before, and the typed controller.
void RotctldSetupPart::LoadModels() {
  const std::string path = winui::ControlText(dialog_, kIdRotctldPath);
  if (path == listed_path_) return;
  if (!listed_path_.empty()) found_.clear();  // it was found where it is no longer looked for
  listed_path_ = path;
  if (list_.joinable()) {  // a list of another path, no longer wanted
    list_cancel_.Set();
    list_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    list_result_.reset();
  }
  UpdateEnabled();
  if (path.empty()) return;
  if (!winui::FileExists(path)) {
    SetText(dialog_, kIdFoundText, "No rotctld.exe at " + path);
    return;
  }
  SetText(dialog_, kIdFoundText, found_.empty() ? kReadingList : found_ + "; " + kReadingList);
  list_cancel_.Reset();
  HWND dialog = dialog_;
  try {
    list_ = std::thread([this, dialog, path]() noexcept {
      std::optional<ModelList> list;
      try {
        list = ReadModelList(path, list_cancel_);
      } catch (...) {
        list.reset();  // out of memory: shown as such below
      }
      try {
        if (!list) list = ModelList{{}, "out of memory while reading the controller list"};
        std::lock_guard<std::mutex> lock(mutex_);
        list_result_ = std::move(list);
      } catch (...) {
      }
      PostMessageA(dialog, kTestDoneMessage, 0, 0);
    });
  } catch (...) {
    SetText(dialog_, kIdFoundText, "no thread to read the controller list");
  }
  UpdateEnabled();
}

void RotctldSetupPart::OnListDone() {
  std::optional<ModelList> list;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    list.swap(list_result_);
  }
  if (!list) return;
  if (list_.joinable()) list_.join();
  if (!list->problem.empty()) {
    SetText(dialog_, kIdFoundText, list->problem);
  } else {
    const std::string typed = winui::ControlText(dialog_, kIdModel);
    models_ = std::move(list->models);
    ListModels("", false);
    SetDlgItemTextA(dialog_, kIdModel, typed.c_str());
    SetText(dialog_, kIdFoundText,
            found_.empty() ? std::to_string(models_.size()) + " controllers known to this rotctld"
                           : found_);
    // The stored controller, shown as a number until now, by its label.
    if (pending_model_ && winui::ControlText(dialog_, kIdModel) == std::to_string(pending_model_))
      ShowModel(pending_model_);
  }
  pending_model_ = 0;
  UpdateEnabled();
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
      if (code == EN_CHANGE) UpdateEnabled();
      return true;
    case kIdTest:
      if (code == BN_CLICKED) StartTest();
      return true;
    case kIdModel:
      if (code == CBN_EDITCHANGE) ListModels(winui::ControlText(dialog_, kIdModel), true);
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
  const bool typed_command = !winui::ControlText(dialog_, kIdCommand).empty();
  const bool built = rotctld && !typed_command && !ChosenText(dialog_, kIdModel).empty();
  for (int id : {kIdRotctldPath, kIdBrowse, kIdModel, kIdDevice, kIdSpeed, kIdRangeChoice})
    Enable(dialog_, id, rotctld && !typed_command);
  const bool other = Selected(dialog_, kIdRangeChoice) == kOtherRange;
  Enable(dialog_, kIdRangeMin, rotctld && !typed_command && other);
  Enable(dialog_, kIdRangeMax, rotctld && !typed_command && other);
  // The Test needs a rotctld.exe that is there, and the list read, to know the controller.
  const bool can_test = built && !test_.joinable() && !list_.joinable() &&
                        winui::FileExists(winui::ControlText(dialog_, kIdRotctldPath));
  Enable(dialog_, kIdTest, can_test);
  Enable(dialog_, kIdCommand, rotctld);
  Enable(dialog_, kIdAddress, rotctld && !built);
}

void RotctldSetupPart::Collect(SettingsText& text) const {
  text.rotctld_path = winui::ControlText(dialog_, kIdRotctldPath);
  const std::string typed = winui::ControlText(dialog_, kIdModel);
  std::optional<RotatorModel> model = FindModel(models_, typed);
  std::optional<int> labelled = LabelNumber(typed);
  text.rotctld_model = model       ? std::to_string(model->number)
                       : labelled ? std::to_string(*labelled)
                                  : typed;
  text.rotctld_device = winui::ControlText(dialog_, kIdDevice);
  const std::string speed = winui::ControlText(dialog_, kIdSpeed);
  text.rotctld_speed = speed == "default" ? "" : speed;
  text.rotator_range =
      Selected(dialog_, kIdRangeChoice) == kOtherRange
          ? winui::ControlText(dialog_, kIdRangeMin) + ".." + winui::ControlText(dialog_, kIdRangeMax)
          : winui::ControlText(dialog_, kIdRangeChoice);
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
  if (!winui::FileExists(settings->rotctld_path)) {
    SetText(dialog_, kIdTestResult, "Test failed: no rotctld.exe at " + settings->rotctld_path);
    return;
  }
  ShowModel(settings->rotctld_model);  // "GS-232B" as typed becomes "Yaesu GS-232B (603)"
  const std::string name = ModelName(settings->rotctld_model);
  SetText(dialog_, kIdTestResult, "Testing " + name + "...");
  // A serial port opens for one process at a time: RotServer's own rotctld makes room.
  if (!settings->rotctld_device.empty())
    pause_ = std::make_unique<RotctldPause>(settings->rotctld_device);
  test_cancel_.Reset();
  HWND dialog = dialog_;
  try {
    test_ = std::thread([this, dialog, s = *settings, name]() noexcept {
      try {
        TestOutcome outcome = TestRotctld(s, name, test_cancel_);
        std::lock_guard<std::mutex> lock(mutex_);
        outcome_ = std::move(outcome);
      } catch (...) {
        try {
          std::lock_guard<std::mutex> lock(mutex_);
          outcome_ = TestOutcome{false, "out of memory during the Test"};
        } catch (...) {
        }
      }
      PostMessageA(dialog, kTestDoneMessage, 0, 0);
    });
  } catch (...) {
    pause_.reset();
    SetText(dialog_, kIdTestResult, "Test failed: no thread to run it");
  }
  UpdateEnabled();
}

void RotctldSetupPart::OnTestDone() {
  OnListDone();
  std::optional<TestOutcome> outcome;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    outcome.swap(outcome_);
  }
  if (!outcome) return;
  if (test_.joinable()) test_.join();
  pause_.reset();  // the Test's rotctld has gone: RotServer's own starts again
  SetText(dialog_, kIdTestResult, outcome->answered ? outcome->text : "Test failed: " + outcome->text);
  UpdateEnabled();
}

}  // namespace rotserver
