#include "bridge/rotator/command_link_win.h"

#include <windows.h>

#include "bridge/base/application_win.h"
#include "bridge/rotator/macros.h"
#include "bridge/rotator/registry_win.h"
#include "wire/wire.h"

namespace vexal {

namespace {
constexpr DWORD kGreetingPauseMs = 1500;

void DetachMessageFilter() {
  if (Application* app = Application::Instance()) app->ClearOnMessage();
}
}  // namespace

std::optional<std::vector<std::string>> MacroLines;

void OpenCommandLink(dde::TDdeClientConv& link, RotatorState& state) {
  state.RotLinkActive = false;
  MacroLines.emplace();
  {
    // An error reading the value leaves here, key closed, with no link and nothing marked
    // as sent.
    TRegistry registry(HKEY_CURRENT_USER);
    if (registry.OpenKeyReadOnly(wire::kSettingsKey)) {
      const std::string program = registry.ReadString(wire::kProgramValue);
      link.ServiceApplication = wire::ProgramCommandLine(program);
      const std::string service = wire::RotatorServiceName(wire::ProgramPath(program));
      if (link.LinkTo(service, wire::kCommandTopic)) {
        state.RotLinkActive = true;
        Sleep(kGreetingPauseMs);
        *MacroLines = GreetingLines();
        link.ExecuteLines(*MacroLines, false);
      }
    }
  }
  state.PendingTarget = kNoTarget;
}

void SendTargetCommand(dde::TDdeClientConv& link, RotatorState& state) {
  if (!MacroLines) MacroLines.emplace();
  *MacroLines = TargetCommandLines(state.PendingTarget, state.PendingSecond);
  link.ExecuteLines(*MacroLines, false);
  // Cleared whether or not the execute was taken: a target is sent at most once.
  state.PendingTarget = kNoTarget;
}

void CommandLinkClosed(RotatorState& state, const std::function<void()>& release_logger) {
  state.RotLinkActive = false;
  release_logger();
  DetachMessageFilter();
}

void CloseCommandLink(dde::TDdeClientConv& link, RotatorState& state,
                      const std::function<void()>& release_logger) {
  MacroLines.reset();
  if (!state.RotLinkActive) return;
  // Unlink raises OnClose first, so CommandLinkClosed has released Logger32 and detached the
  // filter by the time it returns; the two calls after it find nothing left to do.
  link.Unlink();
  DetachMessageFilter();
  release_logger();
}

}  // namespace vexal
