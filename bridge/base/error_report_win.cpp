#include "bridge/base/error_report_win.h"

#include <windows.h>

#include <cctype>
#include <optional>

#include "winui/wide_text_win.h"
#include "bridge/base/report_queue.h"

namespace vexal {

namespace {

constexpr UINT kMsgShowPending = WM_APP + 1;

ReportQueue& Reports() {
  static ReportQueue reports;
  return reports;
}

void ShowBox(const std::string& text_utf8) {
  struct Closed {
    ~Closed() { Reports().BoxClosed(); }
  } closed;
  HWND owner = GetActiveWindow();
  MessageBoxW(owner, winui::Utf8ToWide(text_utf8).c_str(), winui::Utf8ToWide(ApplicationTitle()).c_str(),
              MB_OK | MB_ICONERROR);
}

HWND ReportWindow();

// Shows the next waiting report. Inside an open box's own message loop it does nothing: the
// call that opened that box passes the rest on once it is closed, so boxes never nest however
// fast reports come. The next box opens from a freshly posted message, never straight after the
// last one closed: one opened in the same call is not drawn after a box closed from the
// keyboard until some other message reaches the thread (seen under Wine).
void ShowWaitingReports() noexcept {
  try {
    if (std::optional<std::string> text = Reports().TakeNext()) ShowBox(*text);
  } catch (...) {
    // Out of memory for a text: the reports that wait are shown with the next one.
  }
  if (!Reports().BoxOpen() && Reports().Waiting() > 0)
    PostMessageA(ReportWindow(), kMsgShowPending, 0, 0);
}

void AddReport(const std::string& text_utf8) noexcept {
  try {
    Reports().Add(text_utf8);
  } catch (...) {
    // Out of memory: this report is lost, the program goes on.
  }
}

LRESULT CALLBACK ReportWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kMsgShowPending) {
    ShowWaitingReports();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// A message-only window, so that reports survive modal loops (which drop thread messages).
HWND ReportWindow() {
  static HWND wnd = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReportWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VexalErrorReport";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
  }();
  return wnd;
}

}  // namespace

std::string ApplicationTitleFrom(const std::string& module_path) {
  std::string name = module_path.substr(module_path.find_last_of("\\/:") + 1);
  name = name.substr(0, name.find('.'));
  for (size_t i = 1; i < name.size(); ++i)
    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  return name;
}

std::string ApplicationTitle() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return ApplicationTitleFrom(std::string(path, n));
}

void ShowErrorBox(const std::string& text_utf8) noexcept {
  AddReport(text_utf8);
  ShowWaitingReports();
}

void ShowException(const std::exception& e) noexcept {
  ShowErrorBox(e.what());
}

void PostErrorReport(const std::string& text_utf8) noexcept {
  AddReport(text_utf8);
  // While a box is open, the call that opened it shows this report after it.
  if (!Reports().BoxOpen()) PostMessageA(ReportWindow(), kMsgShowPending, 0, 0);
}

}  // namespace vexal
