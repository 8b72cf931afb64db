#include "rotserver/win/about_dialog_win.h"

#include <optional>
#include <stdexcept>

#include "rotserver/core/program_command.h"
#include "rotserver/core/rotctld_command.h"
#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/resource_ids.h"
#include "rotserver/win/rotctld_probe_win.h"
#include "winui/wide_text_win.h"
#include "winui/window_state_win.h"

#ifndef ROTSERVER_VERSION
#error "ROTSERVER_VERSION is not defined: rotserver/CMakeLists.txt passes it"
#endif

namespace rotserver {

namespace {

constexpr unsigned kVersionTimeoutMs = 2000;
constexpr std::size_t kVersionShown = 120;  // characters of rotctld's answer

// "\n" to the "\r\n" an edit control breaks lines at.
std::wstring EditText(const std::string& utf8) {
  std::string text;
  for (char c : utf8) {
    if (c == '\n' && (text.empty() || text.back() != '\r')) text.push_back('\r');
    text.push_back(c);
  }
  return winui::Utf8ToWide(text);
}

struct TextBox {
  const char* caption;
  std::string intro;
  std::string body;
};

INT_PTR CALLBACK TextBoxProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* box = winui::DialogState<TextBox>(dialog, msg, lp);
  if (!box) return FALSE;
  return CallGuarded("error in a text box", INT_PTR{FALSE}, [&]() -> INT_PTR {
    if (msg == WM_INITDIALOG) {
      SetWindowTextA(dialog, box->caption);
      SetDlgItemTextW(dialog, ROTSERVER_TEXT_INTRO, EditText(box->intro).c_str());
      SetDlgItemTextW(dialog, ROTSERVER_TEXT_BODY, EditText(box->body).c_str());
      // Close has the focus: the text is read from its start, not selected whole.
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    }
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wp) == ROTSERVER_TEXT_COPY) {
      // The whole text selected and copied: what a help request needs, in one paste.
      HWND body = GetDlgItem(dialog, ROTSERVER_TEXT_BODY);
      SendMessageW(body, EM_SETSEL, 0, -1);
      SendMessageW(body, WM_COPY, 0, 0);
      SetFocus(body);
      return TRUE;
    }
    if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
      EndDialog(dialog, IDOK);
      return TRUE;
    }
    return FALSE;
  });
}

void Run(HWND owner, TextBox box) {
  if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ROTSERVER_TEXT_DIALOG), owner,
                      TextBoxProc, reinterpret_cast<LPARAM>(&box)) == -1)
    throw std::runtime_error(std::string("\"") + box.caption + "\" cannot be shown");
}

// The rotctld program RotServer starts: the chosen rotctld.exe, or the first word of a typed
// command line (looked for as Windows does); nothing when RotServer starts none.
std::optional<std::string> RotctldInUse(const Settings& settings) {
  if (settings.backend != BackendKind::kRotctld) return std::nullopt;
  std::string program;
  if (UsesBuiltCommand(settings)) {
    program = settings.rotctld_path;
  } else if (!settings.rotctld_command.empty()) {
    std::string error;
    if (auto command = SplitProgramCommand(settings.rotctld_command, &error))
      program = command->program;
  }
  if (program.empty()) return std::nullopt;
  if (program.find_first_of("\\/:") == std::string::npos) {
    char found[MAX_PATH];
    DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", MAX_PATH, found, nullptr);
    if (length > 0 && length < MAX_PATH) program.assign(found, length);
  }
  return program;
}

// "rotctld: C:\Hamlib\bin\rotctld.exe\nrotctld Hamlib 4.5.5 …" or why there is none.
std::string RotctldLines(const Settings& settings) {
  std::optional<std::string> program = RotctldInUse(settings);
  if (!program) {
    if (settings.backend == BackendKind::kSimulated) return "rotctld: none (simulated rotator)";
    return "rotctld: started elsewhere, at " + settings.rotctld_address;
  }
  std::string lines = "rotctld: " + *program + "\n";
  const CancelSignal never;
  CapturedRun run = RunCaptured(*program, QuotedPath(*program) + " --version", kVersionTimeoutMs,
                                64 * 1024, never);
  if (!run.started) return lines + "Hamlib version: unknown (" + run.error + ")";
  std::string first = run.output.substr(0, run.output.find_first_of("\r\n"));
  if (first.size() > kVersionShown) first.resize(kVersionShown);
  for (char& c : first)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  return lines + "Hamlib version: " + (first.empty() ? "unknown (it gave none)" : first);
}

std::string Notices() {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(ROTSERVER_NOTICES), MAKEINTRESOURCEA(10));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return "The licence notices are missing from this RotServer.exe.";
  return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

}  // namespace

void RunAboutDialog(HWND owner, const Settings& settings) {
  HCURSOR before = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
  std::string intro = "RotServer " ROTSERVER_VERSION ", the rotator server of Logger32-Vexal.\n" +
                      RotctldLines(settings);
  SetCursor(before);
  Run(owner, {kAboutTitle, std::move(intro), Notices()});
}

void RunDetailsDialog(HWND owner, const std::string& details) {
  Run(owner,
      {kDetailsTitle, "What RotServer saw, for a help request (Copy puts it on the clipboard):",
       "RotServer " ROTSERVER_VERSION "\n" + details});
}

}  // namespace rotserver
