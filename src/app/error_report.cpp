#include "app/error_report.h"

#include <windows.h>

#include <cctype>
#include <deque>

#include "app/win_error.h"

namespace vexal {

namespace {

constexpr UINT kMsgShowPending = WM_APP + 1;
std::deque<std::string> pending_reports;

LRESULT CALLBACK ReportWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kMsgShowPending) {
    // One report per message: a box's own loop may deliver the next one meanwhile.
    if (!pending_reports.empty()) {
      std::string text = std::move(pending_reports.front());
      pending_reports.pop_front();
      ShowErrorBox(text);
    }
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

void ShowErrorBox(const std::string& text_utf8) {
  HWND owner = GetActiveWindow();
  MessageBoxW(owner, Utf8ToWide(text_utf8).c_str(), Utf8ToWide(ApplicationTitle()).c_str(),
              MB_OK | MB_ICONERROR);
}

void ShowException(const std::exception& e) { ShowErrorBox(e.what()); }

void PostErrorReport(const std::string& text_utf8) {
  pending_reports.push_back(text_utf8);
  PostMessageA(ReportWindow(), kMsgShowPending, 0, 0);
}

}  // namespace vexal
