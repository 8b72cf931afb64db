#include "rotserver/win/station_dialog_win.h"

#include <stdexcept>
#include <string>

#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/resource_ids.h"
#include "rotserver/win/settings_store_win.h"
#include "winui/control_text_win.h"
#include "winui/window_state_win.h"

namespace rotserver {

namespace {

class StationDialog {
 public:
  explicit StationDialog(const Settings& current) : current_(current) {}
  std::optional<Settings> Run(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR HandleMessage(UINT msg, WPARAM wp);
  void OnInit();
  void OnOk();
  void Refuse(const std::string& why, int field);

  HWND dialog_ = nullptr;
  Settings current_;
  std::optional<Settings> result_;
};

std::optional<Settings> StationDialog::Run(HWND owner) {
  INT_PTR rc =
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ROTSERVER_STATION_DIALOG), owner,
                      DialogProc, reinterpret_cast<LPARAM>(this));
  if (rc == -1) throw std::runtime_error("the station dialog cannot be shown");
  return rc == IDOK ? result_ : std::nullopt;
}

INT_PTR CALLBACK StationDialog::DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  return winui::OwnerDialogProc(dialog, msg, lp, &StationDialog::dialog_, [&](StationDialog& self) {
    return CallGuarded("error in the station dialog", INT_PTR{FALSE},
                       [&] { return self.HandleMessage(msg, wp); });
  });
}

INT_PTR StationDialog::HandleMessage(UINT msg, WPARAM wp) {
  if (msg == WM_INITDIALOG) {
    OnInit();
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
    OnOk();
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
    EndDialog(dialog_, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

void StationDialog::OnInit() {
  SetDlgItemTextA(dialog_, ROTSERVER_STATION_FIELD, current_.station.c_str());
  // Without a station there is no map; giving one is still the operator's choice.
  if (current_.station.empty()) SetDlgItemTextA(dialog_, IDCANCEL, "Skip");
  for (int i = 0; i < kPresetCount; ++i) {
    const Preset& preset = current_.presets[static_cast<size_t>(i)];
    SetDlgItemTextA(dialog_, ROTSERVER_PRESET_LABEL + 2 * i, preset.label.c_str());
    SetDlgItemTextA(dialog_, ROTSERVER_PRESET_LABEL + 2 * i + 1,
                    std::to_string(preset.bearing_deg).c_str());
  }
}

void StationDialog::Refuse(const std::string& why, int field) {
  MessageBoxA(dialog_, why.c_str(), kStationDialogTitle, MB_OK | MB_ICONWARNING);
  HWND control = GetDlgItem(dialog_, field);
  SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  SendMessageA(control, EM_SETSEL, 0, -1);
}

void StationDialog::OnOk() {
  // Checked one by one first, so that the message can point at the field; then as a whole.
  SettingsText text = FormatSettings(current_);
  text.station = winui::ControlText(dialog_, ROTSERVER_STATION_FIELD);
  text.presets.clear();
  for (int i = 0; i < kPresetCount; ++i) {
    const std::string one = winui::ControlText(dialog_, ROTSERVER_PRESET_LABEL + 2 * i) + " " +
                            winui::ControlText(dialog_, ROTSERVER_PRESET_LABEL + 2 * i + 1);
    std::string why;
    if (!ParsePreset(one, i + 1, &why)) {
      const bool label_empty = winui::ControlText(dialog_, ROTSERVER_PRESET_LABEL + 2 * i).empty();
      return Refuse(why, ROTSERVER_PRESET_LABEL + 2 * i + (label_empty ? 0 : 1));
    }
    text.presets += (i ? ";" : "") + one;
  }
  SettingsError error;
  std::optional<Settings> settings = ParseSettings(text, &error, SettingScope::kWindow, current_);
  if (!settings) return Refuse(error.message, ROTSERVER_STATION_FIELD);
  std::string store_error;
  if (!SaveSettingValues(*settings, &store_error, {kFieldStation, kFieldPresets})) {
    MessageBoxA(dialog_, ("The settings cannot be stored: " + store_error).c_str(),
                kStationDialogTitle, MB_OK | MB_ICONERROR);
    return;
  }
  result_ = settings;
  EndDialog(dialog_, IDOK);
}

}  // namespace

std::optional<Settings> RunStationDialog(HWND owner, const Settings& current) {
  StationDialog dialog(current);
  return dialog.Run(owner);
}

}  // namespace rotserver
