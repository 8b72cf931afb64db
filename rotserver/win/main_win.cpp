// RotServer.exe: the rotator server operators keep running beside Logger32 and the bridge.
// Start-up order matters: the DDE service is registered before the first message wait, since
// the bridge starts RotServer with WinExec (which returns at that first wait) and then tries to
// connect once more only.
#include "rotserver/win/backend_win.h"  // Winsock first, before <windows.h>

#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rotserver/core/arbiter.h"
#include "rotserver/core/bridge_door.h"
#include "rotserver/core/command_line.h"
#include "rotserver/core/settings.h"
#include "toolkit/byte_text.h"
#include "toolkit/options.h"
#include "rotserver/win/callback_errors_win.h"
#include "rotserver/win/dde_link_win.h"
#include "rotserver/win/doors_win.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver/win/program_value_win.h"
#include "rotserver/win/machine_survey_win.h"
#include "rotserver/win/settings_store_win.h"
#include "wire/wire.h"

namespace rotserver {
namespace {

constexpr UINT kTickMs = 50;     // drives the backend
constexpr UINT kReportMs = 250;  // status macro to the bridge and the window: 4 a second
constexpr Millis kFaultShownMs = 30000;  // long enough to be read from across the shack
constexpr char kNotSetUp[] = "not set up yet: choose the rotator in Settings";

Millis Now() {
  return static_cast<Millis>(GetTickCount64());
}

class App {
 public:
  App(HINSTANCE instance, int show, const CommandLine& options)
      : instance_(instance),
        show_(show),
        log_(options.log_path),
        status_(wire::kBridgeService, wire::kStatusTopic, wire::kBridgeWindowClass) {}
  ~App() {
    doors_.reset();  // before the backend whose front end they use
    SetCallbackErrorSink(nullptr);
    if (tick_timer_) KillTimer(nullptr, tick_timer_);
    if (report_timer_) KillTimer(nullptr, report_timer_);
    self_ = nullptr;
  }

  int Run();

 private:
  static void CALLBACK OnTickTimer(HWND, UINT, UINT_PTR, DWORD);
  static void CALLBACK OnReportTimer(HWND, UINT, UINT_PTR, DWORD);
  void OnCommand(std::string_view bytes);
  void Report();
  void Rebuild(const Settings& settings);
  // The network doors as the settings say, opened, moved or closed.
  void UseDoors();
  // No rotator until the operator sets it up or mends the stored settings: `why` in words.
  void UseNoRotator(const std::string& why, const std::vector<SettingsProblem>& problems);
  // Nothing of the rotator stored: the settings open on rotctld when rotctld.exe is found,
  // then the station is asked for (Skip allowed).
  void FirstStart();
  // A bad value of the window's own is named; its default is used for this run.
  void NoticeWindowProblems(const std::vector<SettingsProblem>& problems);
  void Log(const std::string& text) { log_.Line(text); }
  // An error caught where Windows called us: logged, and shown in the status line a while.
  void OnCallbackError(const std::string& text);
  ViewState ViewWithFault(Millis now) const;
  // Words for the status line a while (the same place as a caught error), and the log.
  void Notice(const std::string& text);

  static App* self_;
  HINSTANCE instance_;
  int show_;
  toolkit::LineLog log_;
  std::unique_ptr<CommandServer> server_;
  StatusClient status_;
  Settings settings_;
  std::unique_ptr<Backend> backend_;
  BridgeDoor bridge_door_;
  Arbiter arbiter_;
  std::unique_ptr<NetworkDoors> doors_;
  std::unique_ptr<MainWindow> window_;
  UINT_PTR tick_timer_ = 0;
  UINT_PTR report_timer_ = 0;
  std::string fault_;  // the last error caught at a callback, shown until fault_until_
  Millis fault_until_ = 0;
  std::string last_macro_;
  StatusClient::Result last_result_ = StatusClient::Result::kNoBridge;
  bool bridge_linked_ = false;
};

App* App::self_ = nullptr;

int App::Run() {
  self_ = this;
  SetCallbackErrorSink([this](const std::string& text) { OnCallbackError(text); });
  Log("start pid=" + std::to_string(GetCurrentProcessId()) + " show=" + std::to_string(show_) +
      " cmdline=" + GetCommandLineA());
  std::string error;
  server_ = CommandServer::Register(
      ServiceNameFromModule(), wire::kCommandTopic,
      [this](std::string_view bytes) { OnCommand(bytes); }, &error);
  if (!server_) {
    Log("error " + error);
    MessageBoxA(nullptr, error.c_str(), "RotServer", MB_OK | MB_ICONERROR);
    return 1;
  }
  Log("registered service=" + server_->service() + " topic=" + server_->topic());

  std::optional<LoadedSettings> stored = LoadSettings();
  if (!stored)
    UseNoRotator(kNotSetUp, {});
  else if (!stored->problems.empty()) {
    settings_ = stored->settings;  // the doors' values that can be used
    UseNoRotator(ProblemsText(stored->problems), stored->problems);
  }
  else
    Rebuild(stored->settings);
  WindowActions actions;
  actions.turn_to = [this](double compass) {
    TurnOutcome outcome =
        arbiter_.Carry(backend_->front(), {}, DoorRequest::TurnTo(compass), Now());
    Log("operator turn " + std::to_string(compass) +
        (outcome.reason.empty() ? "" : ": " + outcome.reason));
  };
  actions.stop = [this] {
    arbiter_.Carry(backend_->front(), {}, DoorRequest::Stop(), Now());
    Log("operator stop");
  };
  actions.apply_settings = [this](const Settings& chosen) {
    Rebuild(chosen);
  };
  actions.closed = [] { PostQuitMessage(0); };
  actions.offer_program = [this] {
    Notice(ClaimProgramAsked(window_ ? window_->hwnd() : nullptr));
  };
  window_ = CreateMainWindow(instance_, show_, std::move(actions));
  if (!window_) {
    Log("error the window could not be created");
    return 1;
  }
  tick_timer_ = SetTimer(nullptr, 0, kTickMs, &OnTickTimer);
  report_timer_ = SetTimer(nullptr, 0, kReportMs, &OnReportTimer);
  const std::string claimed = ClaimProgramIfFree();
  Log("bridge program: " + (claimed.empty() ? "left as it was" : claimed));
  Notice(claimed);
  Report();
  if (stored) NoticeWindowProblems(stored->window_problems);
  if (!stored) {
    FirstStart();
  } else if (!stored->problems.empty()) {
    // The first field is marked; the box names every value that cannot be used.
    SettingsProblem mark = stored->problems.front();
    for (std::size_t i = 1; i < stored->problems.size(); ++i)
      mark.message += "\n" + stored->problems[i].message;
    Log("settings dialog marking \"" + mark.field + "\"");
    window_->OpenSettings(stored->settings, &mark);
  }
  MSG msg;
  // A plain loop: the window takes Esc as WM_KEYDOWN, which IsDialogMessage would swallow.
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  Log("exit");
  return 0;
}

void App::Rebuild(const Settings& settings) {
  settings_ = settings;
  backend_.reset();  // the old supervised rotctld and socket go first
  backend_ = std::make_unique<Backend>(settings_, log_, Now());
  bridge_door_ = BridgeDoor();
  UseDoors();
  Log("backend " + BackendLabel(settings_) + " offset=" + std::to_string(settings_.offset_deg) +
      " range=" + (settings_.rotator_range.empty() ? "reported" : settings_.rotator_range) +
      " poll_ms=" + std::to_string(settings_.poll_ms) +
      (settings_.rotctld_command.empty() ? "" : " command=" + settings_.rotctld_command));
}

void App::UseNoRotator(const std::string& why, const std::vector<SettingsProblem>& problems) {
  backend_.reset();
  for (const SettingsProblem& problem : problems)
    Log("settings problem field=\"" + problem.field + "\" " + problem.message);
  backend_ = std::make_unique<Backend>(log_, why);
  bridge_door_ = BridgeDoor();
  UseDoors();
  Log("backend none: " + why);
}

void App::FirstStart() {
  Settings first;
  const std::optional<FoundRotctld> found = LocateRotctld();
  if (found) first.backend = BackendKind::kRotctld;
  Log("first start: settings dialog" + (found ? " on rotctld " + found->where : std::string()));
  window_->OpenSettings(first);
  if (LoadUsableSettings().station.empty()) {
    Log("first start: station dialog");
    PostMessageA(window_->hwnd(), WM_COMMAND, kIdMenuStation, 0);
  }
}

void App::NoticeWindowProblems(const std::vector<SettingsProblem>& problems) {
  if (problems.empty()) return;
  // The status line has room for the names; each whole message goes to the log.
  std::string names;
  for (const SettingsProblem& problem : problems) {
    Log("settings problem field=\"" + problem.field + "\" " + problem.message);
    if (!names.empty()) names += ", ";
    names += problem.field;
  }
  Notice("Stored " + names + " cannot be used: defaults for now.");
}

void App::OnCommand(std::string_view bytes) {
  Log("execute size=" + std::to_string(bytes.size()) + " text=\"" + toolkit::EscapedText(bytes) + "\"");
  if (!backend_) return;
  TurnOutcome outcome = arbiter_.Carry(backend_->front(), {Asker::Kind::kBridge, "Logger32"},
                                       bridge_door_.OnCommand(bytes), Now());
  switch (outcome.kind) {
    case TurnOutcome::Kind::kMove:
      Log("command move azimuth=" + std::to_string(outcome.azimuth));
      break;
    case TurnOutcome::Kind::kStop:
      Log("command stop");
      break;
    case TurnOutcome::Kind::kRefused:
      Log("command refused: " + outcome.reason);
      break;
  }
}

void App::Report() {
  if (!backend_) return;
  Millis now = Now();
  std::string macro = bridge_door_.StatusMacro(backend_->front().LiveReading(now), backend_->front().Limits());
  macro.push_back('\0');
  StatusClient::Result result = status_.Send(macro, static_cast<DWORD>(now));
  if (macro != last_macro_ || result != last_result_)
    Log("status \"" + toolkit::EscapedText(macro) + "\" result=" + ResultName(result));
  last_macro_ = std::move(macro);
  last_result_ = result;
  if (server_ && server_->Linked() != bridge_linked_) {
    bridge_linked_ = !bridge_linked_;
    Log(bridge_linked_ ? "bridge linked" : "bridge not linked");
  }
  if (doors_) doors_->Report(now);
  if (window_) window_->Show(ViewWithFault(now));
}

void App::UseDoors() {
  if (!doors_)
    doors_ = std::make_unique<NetworkDoors>(log_, arbiter_,
                                            [this]() -> FrontEnd* { return backend_ ? &backend_->front() : nullptr; });
  arbiter_.HoldOff(settings_.hold_off_s);
  Notice(doors_->Use(settings_));
}

void CALLBACK App::OnTickTimer(HWND, UINT, UINT_PTR, DWORD) {
  CallGuarded("error in tick", [] {
    if (self_ && self_->backend_) self_->backend_->Tick(Now());
    if (self_ && self_->doors_) self_->doors_->Poll();
  });
}

void CALLBACK App::OnReportTimer(HWND, UINT, UINT_PTR, DWORD) {
  CallGuarded("error in report", [] {
    if (self_) self_->Report();
  });
}

void App::OnCallbackError(const std::string& text) {
  Log(text);
  fault_ = text;
  fault_until_ = Now() + kFaultShownMs;
}

void App::Notice(const std::string& text) {
  if (text.empty()) return;
  Log("notice " + text);
  fault_ = text;
  fault_until_ = Now() + kFaultShownMs;
}

ViewState App::ViewWithFault(Millis now) const {
  ViewState view = backend_->View(now);
  view.bridge_linked = bridge_linked_;
  if (view.target) view.target_from = arbiter_.TargetFrom();
  view.programs = arbiter_.Programs(now);
  if (!fault_.empty() && now < fault_until_)
    view.last_error = view.last_error.empty() ? fault_ : view.last_error + "; " + fault_;
  return view;
}

// One RotServer per user session: two would both report to the bridge, and the second could not
// open the rotator's serial port. The first holds this mutex (in the session's namespace) until
// it ends.
constexpr char kOneInstanceMutex[] = "Local\\Vexal.RotServer.OnePerSession";
constexpr char kWindowClass[] = "RotServerWindow";  // the main window's class
// How long a second start waits for the first's window: both may start at once (the bridge
// starts one while one started at logon is still coming up).
constexpr ULONGLONG kFirstWindowWaitMs = 10000;

void BringToFront(HWND first) {
  if (IsIconic(first))
    ShowWindow(first, SW_RESTORE);
  else if (!IsWindowVisible(first))
    ShowWindow(first, SW_SHOW);
  SetForegroundWindow(GetLastActivePopup(first));  // its settings dialog when one is open
}

// True when this is the session's first RotServer, which then holds `mutex` for its life.
// Otherwise the first one's window is brought to the front (once it has one) and nothing else
// is done: no DDE service, no rotctld. `said` tells the log which.
bool FirstInSession(HANDLE* mutex, std::string* said) {
  *mutex = CreateMutexA(nullptr, FALSE, kOneInstanceMutex);
  if (!*mutex) {
    *said = "single instance: no mutex (error " + std::to_string(GetLastError()) + "), going on";
    return true;  // cannot tell: better two than none
  }
  const ULONGLONG until = GetTickCount64() + kFirstWindowWaitMs;
  for (DWORD wait_ms = 0;; wait_ms = 50) {
    // Abandoned: the first ended without a window; this one takes its place.
    const DWORD got = WaitForSingleObject(*mutex, wait_ms);
    if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) return true;
    if (HWND first = FindWindowA(kWindowClass, nullptr)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(first, &pid);
      BringToFront(first);
      *said = "single instance: RotServer pid=" + std::to_string(pid) +
              " runs already; its window brought to the front";
      return false;
    }
    if (GetTickCount64() >= until) {
      *said = "single instance: another RotServer runs, its window not found";
      return false;
    }
  }
}

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
  return args;
}

}  // namespace
}  // namespace rotserver

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  try {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    std::string error;
    auto options = rotserver::ParseCommandLine(rotserver::Arguments(), &error);
    if (!options) {
      MessageBoxA(nullptr, error.c_str(), "RotServer", MB_OK | MB_ICONERROR);
      return toolkit::kUsageStatus;
    }
    HANDLE instance_mutex = nullptr;
    std::string said;
    if (!rotserver::FirstInSession(&instance_mutex, &said)) {
      toolkit::LineLog(options->log_path).Line(said);
      return 0;
    }
    if (!said.empty()) toolkit::LineLog(options->log_path).Line(said);
    // No system box for a child's missing DLL at every restart: the status line says it.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    rotserver::App app(instance, show, *options);
    return app.Run();
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "RotServer", MB_OK | MB_ICONERROR);
    return 1;
  }
}
