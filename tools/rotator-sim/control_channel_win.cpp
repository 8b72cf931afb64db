#include "control_channel_win.h"

#include <string_view>

#include "winui/window_state_win.h"

namespace rotsim {

ControlChannel::ControlChannel(Handler handler, bool from_stdin, toolkit::LineLog& log)
    : handler_(std::move(handler)), log_(log) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = &ControlChannel::WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kControlClass;
  RegisterClassA(&wc);
  std::string title = "rotator-sim " + std::to_string(GetCurrentProcessId());
  window_ = CreateWindowExA(0, kControlClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            instance, this);
  if (!window_) log_.Line("error no control window");
  if (from_stdin && window_) reader_ = CreateThread(nullptr, 0, &ReadStdin, this, 0, nullptr);
}

ControlChannel::~ControlChannel() {
  // The reader may be blocked in ReadFile for good; it only ever talks to the window.
  if (window_) DestroyWindow(window_);
  if (reader_) CloseHandle(reader_);
}

LRESULT CALLBACK ControlChannel::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = winui::WindowState<ControlChannel>(hwnd, msg, lp);
  if (msg == WM_COPYDATA && self) return self->OnCopyData(*reinterpret_cast<COPYDATASTRUCT*>(lp));
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT ControlChannel::OnCopyData(const COPYDATASTRUCT& data) {
  if (data.dwData != kControlCopyDataId || !data.lpData) return FALSE;
  std::string command(static_cast<const char*>(data.lpData), data.cbData);
  while (!command.empty() && (command.back() == '\0' || command.back() == '\r' ||
                              command.back() == '\n' || command.back() == ' '))
    command.pop_back();
  log_.Line("command \"" + command + "\"");
  try {
    return handler_(command) ? TRUE : FALSE;
  } catch (...) {
    log_.Line("error command failed");
    return FALSE;
  }
}

DWORD WINAPI ControlChannel::ReadStdin(void* param) {
  auto* self = static_cast<ControlChannel*>(param);
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buf[256];
  DWORD n = 0;
  while (in && in != INVALID_HANDLE_VALUE && ReadFile(in, buf, sizeof buf, &n, nullptr) && n) {
    pending.append(buf, n);
    for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      COPYDATASTRUCT data{kControlCopyDataId, static_cast<DWORD>(line.size()), line.data()};
      SendMessageA(self->window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
  }
  return 0;
}

}  // namespace rotsim
