#include "rotserver/win/settings_dialog_win.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>

#include <commctrl.h>

#include "rotserver/core/plain_text.h"
#include "rotserver/core/rotctld_command.h"
#include "rotserver/core/settings_checks.h"
#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/settings_rotctld_win.h"
#include "rotserver/win/settings_layout_win.h"
#include "rotserver/win/settings_store_win.h"
#include "winui/control_text_win.h"
#include "winui/window_state_win.h"

namespace rotserver {

namespace {

// The WM_APP message that marks a field once the dialog shows.
constexpr UINT kMarkFieldMessage = WM_APP + 19;

// The dialog's own fields (the rotctld part has its own): the row's label and its control.
struct FieldControl {
  const char* field;
  int id;
};
constexpr FieldControl kFieldControls[] = {
    {kFieldBackend, kIdBackend},
    {kFieldAddress, kIdAddress},
    {kFieldCommand, kIdCommand},
    {kFieldOffset, kIdOffset},
    {kFieldPoll, kIdPoll},
    {kFieldServeRotctld, kIdServeRotctld},
    {kFieldServeN1mm, kIdServeN1mm},
    {kFieldN1mmRotorName, kIdN1mmRotorName},
    {kFieldN1mmStatusTo, kIdN1mmStatusTo},
    {kFieldHoldOff, kIdHoldOff},
};

int ControlOfField(const std::string& field) {
  if (int id = RotctldSetupPart::ControlOf(field)) return id;
  for (const FieldControl& control : kFieldControls)
    if (field == control.field) return control.id;
  return kIdBackend;
}

// Grey text in an empty field: what leaving it blank means, and a usual value.
struct Cue {
  int id;
  const wchar_t* text;
};
constexpr Cue kCues[] = {
    {kIdServeRotctld, L"off (e.g. 127.0.0.1:4533)"},
    {kIdServeN1mm, L"off (e.g. 12040)"},
    {kIdN1mmRotorName, L"the rotor's name in N1MM"},
    {kIdN1mmStatusTo, L"off (e.g. 127.0.0.1:13010)"},
    {kIdAddress, L"chosen by RotServer at each start"},
};

// Words for the operator when a door is open to other computers; empty when none is.
std::string NetworkWarning(const std::string& rotctld, const std::string& n1mm) {
  std::string open;
  for (const auto& [name, text, alone] :
       {std::tuple{"rotctld clients", rotctld, false}, std::tuple{"N1MM commands", n1mm, true}}) {
    std::optional<NetAddress> at = ParseListenAddress(Trimmed(text), alone);
    if (at && !IsLoopback(at->host)) open += std::string(open.empty() ? "" : " and ") + name;
  }
  if (open.empty()) return "";
  return "Other computers can reach the " + open +
         " door: anyone on that network can then turn the antenna.";
}

class SettingsDialog {
 public:
  SettingsDialog(const Settings& current, const SettingsError* marked)
      : current_(current), marked_(marked ? std::optional<SettingsError>(*marked) : std::nullopt) {}
  std::optional<Settings> Run(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR HandleMessage(UINT msg, WPARAM wp);
  void OnInit();
  void OnOk();
  std::optional<Settings> Checked();
  void Refuse(const SettingsError& error);
  void AfterCommand(int id, int code);
  void ShowAddress();
  void ShowRange();

  HWND dialog_ = nullptr;
  Settings current_;
  std::optional<SettingsError> marked_;
  std::unique_ptr<RotctldSetupPart> rotctld_;
  std::optional<Settings> result_;
  std::string address_;  // the rotctld address while its field shows none
};

std::optional<Settings> SettingsDialog::Run(HWND owner) {
  DialogTemplate t = BuildSettingsTemplate();
  INT_PTR rc = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.get(), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
  rotctld_.reset();  // after the dialog: a running Test ends first
  if (rc == -1) throw std::runtime_error("the settings dialog cannot be shown");
  return rc == IDOK ? result_ : std::nullopt;
}

INT_PTR CALLBACK SettingsDialog::DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  return winui::OwnerDialogProc(dialog, msg, lp, &SettingsDialog::dialog_,
                                [&](SettingsDialog& self) {
                                  return CallGuarded("error in the settings dialog", INT_PTR{FALSE},
                                                     [&] { return self.HandleMessage(msg, wp); });
                                });
}

INT_PTR SettingsDialog::HandleMessage(UINT msg, WPARAM wp) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInit();
      return TRUE;
    case kTestDoneMessage:
      if (rotctld_) rotctld_->OnTestDone();
      return TRUE;
    case kMarkFieldMessage:
      // The modal loop shows the dialog only when it first idles: the box needs it behind.
      ShowWindow(dialog_, SW_SHOW);
      if (!marked_) return TRUE;
      // No backend is shown chosen when the stored one is unusable: OK must not pick one.
      if (marked_->field == kFieldBackend)
        SendDlgItemMessageA(dialog_, kIdBackend, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      Refuse(*marked_);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        OnOk();
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        if (rotctld_) rotctld_->EndRuns();  // before the window goes, which takes a while
        EndDialog(dialog_, IDCANCEL);
        return TRUE;
      }
      if (rotctld_ && rotctld_->OnCommand(LOWORD(wp), HIWORD(wp))) {
        AfterCommand(LOWORD(wp), HIWORD(wp));
        return TRUE;
      }
      AfterCommand(LOWORD(wp), HIWORD(wp));
      break;
  }
  return FALSE;
}

void SettingsDialog::OnInit() {
  const SettingsText text = FormatSettings(current_);
  HWND backend = GetDlgItem(dialog_, kIdBackend);
  SendMessageA(backend, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("simulated"));
  SendMessageA(backend, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("rotctld"));
  SendMessageA(backend, CB_SELECTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(text.backend.c_str()));
  for (const FieldControl& control : kFieldControls)
    if (control.id != kIdBackend)
      SetDlgItemTextA(dialog_, control.id, (text.*FindSettingRow(control.field)->text).c_str());
  for (const Cue& cue : kCues)
    SendDlgItemMessageW(dialog_, cue.id, EM_SETCUEBANNER, FALSE,
                        reinterpret_cast<LPARAM>(cue.text));
  address_ = text.rotctld_address;
  rotctld_ = std::make_unique<RotctldSetupPart>(dialog_, [this] { return Checked(); });
  rotctld_->Fill(current_);
  ShowAddress();
  ShowRange();
  AfterCommand(kIdServeRotctld, EN_CHANGE);
  if (marked_) PostMessageA(dialog_, kMarkFieldMessage, 0, 0);
}

void SettingsDialog::AfterCommand(int id, int code) {
  if (id == kIdServeRotctld || id == kIdServeN1mm) {
    if (code == EN_CHANGE)
      SetDlgItemTextA(
          dialog_, kIdNetworkWarning,
          NetworkWarning(winui::ControlText(dialog_, kIdServeRotctld), winui::ControlText(dialog_, kIdServeN1mm))
              .c_str());
    return;
  }
  // The address field's own edits stay as typed; what enables or greys it is elsewhere.
  if (id != kIdAddress && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE || code == EN_CHANGE)) {
    ShowAddress();
    if (id == kIdRangeChoice) ShowRange();
  }
}

// The address field, greyed, shows the address in use or nothing: a rotctld that RotServer
// starts itself gets a free port at every start.
void SettingsDialog::ShowAddress() {
  HWND field = GetDlgItem(dialog_, kIdAddress);
  if (IsWindowEnabled(field)) {
    if (GetWindowTextLengthA(field) == 0 && !address_.empty())
      SetWindowTextA(field, address_.c_str());
    return;
  }
  if (GetWindowTextLengthA(field) > 0) address_ = winui::ControlText(dialog_, kIdAddress);
  const bool started_here = ChosenText(dialog_, kIdBackend) == "rotctld";
  SetWindowTextA(field, started_here ? "" : address_.c_str());
}

// The greyed bounds show the range chosen from the list.
void SettingsDialog::ShowRange() {
  if (IsWindowEnabled(GetDlgItem(dialog_, kIdRangeMin))) return;
  std::optional<RotatorRange> range;
  ParseRotatorRange(ChosenText(dialog_, kIdRangeChoice), &range);
  SetDlgItemTextA(dialog_, kIdRangeMin, range ? std::to_string(range->min_az).c_str() : "");
  SetDlgItemTextA(dialog_, kIdRangeMax, range ? std::to_string(range->max_az).c_str() : "");
}

// Every field read and checked; an invalid one is refused, and nothing comes back.
std::optional<Settings> SettingsDialog::Checked() {
  SettingsText text = FormatSettings(current_);  // keeps what other dialogs edit
  for (const FieldControl& control : kFieldControls)
    text.*FindSettingRow(control.field)->text = winui::ControlText(dialog_, control.id);
  if (!IsWindowEnabled(GetDlgItem(dialog_, kIdAddress))) text.rotctld_address = address_;
  rotctld_->Collect(text);
  SettingsError error;
  std::optional<Settings> settings = ParseSettings(text, &error, SettingScope::kRotator, current_);
  if (!settings) Refuse(error);
  return settings;
}

void SettingsDialog::Refuse(const SettingsError& error) {
  MessageBoxA(dialog_, error.message.c_str(), kInvalidSettingTitle, MB_OK | MB_ICONWARNING);
  HWND field = GetDlgItem(dialog_, ControlOfField(error.field));
  EnableWindow(field, TRUE);  // a stored value of a field that does not apply can still be wrong
  SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
  SendMessageA(field, EM_SETSEL, 0, -1);
}

void SettingsDialog::OnOk() {
  std::optional<Settings> settings = Checked();
  if (!settings) return;
  std::string store_error;
  if (!SaveSettings(*settings, &store_error, SettingScope::kRotator)) {
    MessageBoxA(dialog_, ("The settings cannot be stored: " + store_error).c_str(),
                kSettingsDialogTitle, MB_OK | MB_ICONERROR);
    return;
  }
  result_ = settings;
  rotctld_->EndRuns();
  EndDialog(dialog_, IDOK);
}

}  // namespace

std::optional<Settings> RunSettingsDialog(HWND owner, const Settings& current,
                                          const SettingsError* marked) {
  SettingsDialog dialog(current, marked);
  return dialog.Run(owner);
}

}  // namespace rotserver
