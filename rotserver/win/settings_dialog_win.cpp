#include "rotserver/win/settings_dialog_win.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/rotctld_setup_win.h"
#include "rotserver/win/settings_layout_win.h"
#include "rotserver/win/settings_store_win.h"
#include "winui/window_state_win.h"

namespace rotserver {

namespace {

// The WM_APP message that marks a field once the dialog shows.
constexpr UINT kMarkFieldMessage = WM_APP + 19;

int ControlOfField(const std::string& field) {
  if (int id = RotctldSetupPart::ControlOf(field)) return id;
  if (field == kFieldBackend) return kIdBackend;
  if (field == kFieldAddress) return kIdAddress;
  if (field == kFieldCommand) return kIdCommand;
  if (field == kFieldOffset) return kIdOffset;
  if (field == kFieldRangeMode) return kIdRangeMode;
  return kIdPoll;
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

  HWND dialog_ = nullptr;
  Settings current_;
  std::optional<SettingsError> marked_;
  std::unique_ptr<RotctldSetupPart> rotctld_;
  std::optional<Settings> result_;
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
      if (rotctld_ && rotctld_->OnCommand(LOWORD(wp), HIWORD(wp))) return TRUE;
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
  SetDlgItemTextA(dialog_, kIdAddress, text.rotctld_address.c_str());
  SetDlgItemTextA(dialog_, kIdCommand, text.rotctld_command.c_str());
  SetDlgItemTextA(dialog_, kIdOffset, text.offset_deg.c_str());
  SetDlgItemTextA(dialog_, kIdRangeMode, text.range_mode.c_str());
  SetDlgItemTextA(dialog_, kIdPoll, text.poll_ms.c_str());
  rotctld_ = std::make_unique<RotctldSetupPart>(dialog_, [this] { return Checked(); });
  rotctld_->Fill(current_);
  if (marked_) PostMessageA(dialog_, kMarkFieldMessage, 0, 0);
}

// Every field read and checked; an invalid one is refused, and nothing comes back.
std::optional<Settings> SettingsDialog::Checked() {
  SettingsText text = FormatSettings(current_);  // keeps what other dialogs edit
  text.backend = ControlText(dialog_, kIdBackend);
  text.rotctld_address = ControlText(dialog_, kIdAddress);
  text.rotctld_command = ControlText(dialog_, kIdCommand);
  text.offset_deg = ControlText(dialog_, kIdOffset);
  text.range_mode = ControlText(dialog_, kIdRangeMode);
  text.poll_ms = ControlText(dialog_, kIdPoll);
  rotctld_->Collect(text);
  SettingsError error;
  std::optional<Settings> settings = ParseSettings(text, &error);
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
  if (!SaveSettings(*settings, &store_error)) {
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
