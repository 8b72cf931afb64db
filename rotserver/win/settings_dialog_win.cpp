#include "rotserver/win/settings_dialog_win.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/settings_store_win.h"

namespace rotserver {

namespace {

// Built in memory, so that the dialog works in every program that links the window, tests
// included, without a resource of its own.
class DialogTemplate {
 public:
  DialogTemplate(const char* title, short cx, short cy) {
    const DWORD style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    AddDword(style);
    AddDword(0);  // extended style
    count_at_ = words_.size();
    words_.push_back(0);  // number of items, set as they come
    for (short v : {short(0), short(0), cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    AddText(title);
    words_.push_back(8);  // points
    AddText("MS Shell Dlg");
  }

  void Add(WORD atom, const char* text, int id, DWORD style, short x, short y, short cx, short cy) {
    if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
    AddDword(style | WS_CHILD | WS_VISIBLE);
    AddDword(0);
    for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(static_cast<WORD>(id));
    words_.push_back(0xFFFF);
    words_.push_back(atom);
    AddText(text);
    words_.push_back(0);  // no creation data
    ++words_[count_at_];
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void AddDword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void AddText(const char* text) {  // ASCII labels only
    for (const char* c = text; *c; ++c) words_.push_back(static_cast<unsigned char>(*c));
    words_.push_back(0);
  }

  std::vector<WORD> words_;
  size_t count_at_ = 0;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kComboBox = 0x0085;

struct Row {
  const char* label;
  int id;
};

const Row kRows[] = {
    {"Backend:", kIdBackend},
    {"rotctld address (host:port):", kIdAddress},
    {"rotctld command line (optional):", kIdCommand},
    {"Calibration offset (-180..180):", kIdOffset},
    {"Range mode (0: -180..180, 1: 0..360):", kIdRangeMode},
    {"Poll interval (250..10000 ms):", kIdPoll},
};

DialogTemplate BuildTemplate() {
  constexpr short kRowHeight = 18, kWidth = 290, kLabelWidth = 130;
  constexpr short kRowCount = static_cast<short>(sizeof(kRows) / sizeof(Row));
  DialogTemplate t(kSettingsDialogTitle, kWidth, 7 + kRowCount * kRowHeight + 24);
  short y = 7;
  for (const Row& row : kRows) {
    t.Add(kStatic, row.label, -1, SS_LEFT, 7, static_cast<short>(y + 2), kLabelWidth, 10);
    const short x = 7 + kLabelWidth + 4, cx = kWidth - x - 7;
    if (row.id == kIdBackend)
      t.Add(kComboBox, "", row.id, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, x, y, cx, 60);
    else
      t.Add(kEdit, "", row.id, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, x, y, cx, 12);
    y += kRowHeight;
  }
  y += 4;
  t.Add(kButton, "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - 7 - 50 - 4 - 50, y, 50, 14);
  t.Add(kButton, "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, kWidth - 7 - 50, y, 50, 14);
  return t;
}

std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

int ControlOfField(const std::string& field) {
  if (field == kFieldBackend) return kIdBackend;
  if (field == kFieldAddress) return kIdAddress;
  if (field == kFieldCommand) return kIdCommand;
  if (field == kFieldOffset) return kIdOffset;
  if (field == kFieldRangeMode) return kIdRangeMode;
  return kIdPoll;
}

class SettingsDialog {
 public:
  SettingsDialog(const Settings& current, const SettingsProblem* mark) : current_(current) {
    if (mark) mark_ = *mark;
  }
  std::optional<Settings> Run(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR HandleMessage(UINT msg, WPARAM wp);
  void OnInit();
  void OnOk();
  void MarkField(const SettingsError& error);

  HWND dialog_ = nullptr;
  Settings current_;
  std::optional<Settings> result_;
  std::optional<SettingsProblem> mark_;
};

// Marks the stored value that cannot be used once the dialog shows.
constexpr UINT kMsgMarkField = WM_APP + 1;

std::optional<Settings> SettingsDialog::Run(HWND owner) {
  DialogTemplate t = BuildTemplate();
  INT_PTR rc = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.get(), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
  if (rc == -1) throw std::runtime_error("the settings dialog cannot be shown");
  return rc == IDOK ? result_ : std::nullopt;
}

INT_PTR CALLBACK SettingsDialog::DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<SettingsDialog*>(lp);
    self->dialog_ = dialog;
    SetWindowLongPtrA(dialog, DWLP_USER, lp);
  }
  auto* self = reinterpret_cast<SettingsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (!self) return FALSE;
  return CallGuarded("error in the settings dialog", INT_PTR{FALSE},
                     [&] { return self->HandleMessage(msg, wp); });
}

INT_PTR SettingsDialog::HandleMessage(UINT msg, WPARAM wp) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInit();
      if (mark_) PostMessageA(dialog_, kMsgMarkField, 0, 0);
      return TRUE;
    case kMsgMarkField:
      // A modal dialog shows itself only once its queue is empty: the box must not come first.
      ShowWindow(dialog_, SW_SHOW);
      UpdateWindow(dialog_);
      if (!mark_) return TRUE;
      // No backend is shown chosen when the stored one is unusable: OK must not pick one.
      if (mark_->field == kFieldBackend)
        SendDlgItemMessageA(dialog_, kIdBackend, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      MarkField(*mark_);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        OnOk();
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dialog_, IDCANCEL);
        return TRUE;
      }
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
}

void SettingsDialog::OnOk() {
  SettingsText text = FormatSettings(current_);  // keeps what other dialogs edit
  text.backend = ControlText(dialog_, kIdBackend);
  text.rotctld_address = ControlText(dialog_, kIdAddress);
  text.rotctld_command = ControlText(dialog_, kIdCommand);
  text.offset_deg = ControlText(dialog_, kIdOffset);
  text.range_mode = ControlText(dialog_, kIdRangeMode);
  text.poll_ms = ControlText(dialog_, kIdPoll);
  SettingsError error;
  std::optional<Settings> settings = ParseSettings(text, &error);
  if (!settings) {
    MarkField(error);
    return;
  }
  std::string store_error;
  if (!SaveSettings(*settings, &store_error)) {
    MessageBoxA(dialog_, ("The settings cannot be stored: " + store_error).c_str(),
                kSettingsDialogTitle, MB_OK | MB_ICONERROR);
    return;
  }
  result_ = settings;
  EndDialog(dialog_, IDOK);
}

void SettingsDialog::MarkField(const SettingsError& error) {
  MessageBoxA(dialog_, error.message.c_str(), kInvalidSettingTitle, MB_OK | MB_ICONWARNING);
  HWND field = GetDlgItem(dialog_, ControlOfField(error.field));
  SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
  SendMessageA(field, EM_SETSEL, 0, -1);
}

}  // namespace

std::optional<Settings> RunSettingsDialog(HWND owner, const Settings& current,
                                          const SettingsProblem* mark) {
  SettingsDialog dialog(current, mark);
  return dialog.Run(owner);
}

}  // namespace rotserver
