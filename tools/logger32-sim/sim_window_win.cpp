#include "sim_window_win.h"

#include <exception>
#include <memory>
#include <string>

#include "logger_partner_win.h"
#include "sim_command.h"
#include "winui/window_state_win.h"

namespace logger32sim {

namespace {

constexpr char kClassName[] = "Logger32SimWindow";
constexpr UINT_PTR kFirstTurnTimer = 100;
constexpr int kListId = 1;

struct SimWindowState {
  SimWindowState(const SimOptions& o, EventLog& l) : options(o), log(l), partner(o, l) {}
  const SimOptions& options;
  EventLog& log;
  LoggerPartner partner;
  HWND hwnd = nullptr;
  HWND list = nullptr;
  bool turns_scheduled = false;
};

// The one window's state: made just before the window and freed with it (or at once when the
// window could not be made).
std::unique_ptr<SimWindowState> g_state;

void OnCreate(SimWindowState& s) {
  s.list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
                           s.hwnd, reinterpret_cast<HMENU>(kListId), nullptr, nullptr);
  SendMessageA(s.list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), 0);
  HWND list = s.list;
  s.log.set_listener([list](const std::string& line) {
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (index >= 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  });
}

void OnSize(SimWindowState& s, int width, int height) {
  if (s.list) MoveWindow(s.list, 0, 0, width, height, TRUE);
}

void ScheduleTurns(SimWindowState& s) {
  if (s.turns_scheduled) return;
  s.turns_scheduled = true;
  for (size_t i = 0; i < s.options.turns.size(); ++i)
    SetTimer(s.hwnd, kFirstTurnTimer + i, s.options.turns[i].delay_ms, nullptr);
}

void OnTurnTimer(SimWindowState& s, UINT_PTR id) {
  KillTimer(s.hwnd, id);
  size_t index = id - kFirstTurnTimer;
  if (id >= kFirstTurnTimer && index < s.options.turns.size())
    s.partner.Turn(s.options.turns[index].azimuth);
}

void OnLoggerMessage(SimWindowState& s, int name, WPARAM wparam, LPARAM lparam) {
  if (s.partner.OnLoggerMessage(name, wparam, lparam)) ScheduleTurns(s);
}

// True when the command was understood and carried out.
bool RunCommand(SimWindowState& s, const std::string& line) {
  std::optional<SimCommand> command = ParseCommand(line);
  if (!command) {
    if (line.find_first_not_of(" \t") != std::string::npos) s.log.Info("unknown command: " + line);
    return false;
  }
  switch (command->kind) {
    case SimCommand::Kind::kTurn:
    case SimCommand::Kind::kPost:
      return s.partner.PostToBridge(command->wparam, command->lparam);
    case SimCommand::Kind::kSend:
      return s.partner.SendToBridge(command->wparam, command->lparam);
    case SimCommand::Kind::kClose:
      return PostMessageA(s.hwnd, WM_CLOSE, 0, 0) != FALSE;
  }
  return false;
}

LRESULT OnCopyData(SimWindowState& s, const COPYDATASTRUCT& data) {
  if (data.dwData != kCopyDataCommand || !data.lpData) return FALSE;
  return RunCommand(s, std::string(static_cast<const char*>(data.lpData), data.cbData));
}

void OnCommandLine(SimWindowState& s, LPARAM lparam) {
  std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lparam));
  RunCommand(s, *line);
}

void OnClose(SimWindowState& s) {
  s.log.Info("close");
  s.log.set_listener(nullptr);
  DestroyWindow(s.hwnd);
}

LRESULT HandleMessage(SimWindowState& s, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      OnCreate(s);
      return 0;
    case WM_SIZE:
      OnSize(s, LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_TIMER:
      OnTurnTimer(s, wp);
      return 0;
    case WM_COPYDATA:
      return OnCopyData(s, *reinterpret_cast<const COPYDATASTRUCT*>(lp));
    case kMsgCommandLine:
      OnCommandLine(s, lp);
      return 0;
    case WM_CLOSE:
      OnClose(s);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  if (int name = s.partner.NameOf(msg)) {
    OnLoggerMessage(s, name, wp, lp);
    return 0;
  }
  return DefWindowProcA(s.hwnd, msg, wp, lp);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    SimWindowState* state = winui::WindowState<SimWindowState>(hwnd, msg, lp);
    if (!state) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCCREATE) state->hwnd = hwnd;
    if (msg == WM_NCDESTROY) {
      g_state.reset();
      return DefWindowProcA(hwnd, msg, wp, lp);
    }
    return HandleMessage(*state, msg, wp, lp);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "logger32-sim: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "logger32-sim: unknown error\n");
  }
  return 0;
}

}  // namespace

HWND CreateSimWindow(HINSTANCE instance, const SimOptions& options, EventLog& log) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) return nullptr;
  g_state = std::make_unique<SimWindowState>(options, log);
  HWND hwnd = CreateWindowExA(0, kClassName, kSimTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 420, 260, nullptr, nullptr, instance, g_state.get());
  if (!hwnd) g_state.reset();
  return hwnd;
}

}  // namespace logger32sim
