// The rotator command link: the DDE client conversation to the rotator server, opened once
// after a successful Logger32 handshake, the greeting, the target command, and what happens
// when the link ends.
#include <windows.h>

#include "app/application_win.h"
#include "logger/logger_port_win.h"
#include "rotator/macros.h"
#include "rotator/registry_win.h"
#include "rotator/service_rule.h"
#include "window/form6_win.h"

namespace vexal {

namespace {
constexpr DWORD kGreetingPauseMs = 1500;
constexpr char kSettingsKey[] = "\\Software\\Vexal";
constexpr char kProgramValue[] = "Program";
constexpr char kCommandTopic[] = "RotServConv";

void DetachMessageFilter() {
  if (Application* app = Application::Instance()) app->ClearOnMessage();
}
}  // namespace

std::optional<std::vector<std::string>> MacroLines;

void TForm6::FormCreateLinkHalf() {
  Rotator.RotLinkActive = false;
  MacroLines.emplace();
  {
    // An error reading the value leaves the creation handler here, key closed, with no
    // link and nothing marked as sent.
    TRegistry registry(HKEY_CURRENT_USER);
    if (registry.OpenKeyReadOnly(kSettingsKey)) {
      const std::string program = registry.ReadString(kProgramValue);
      DdeClientConv1.ServiceApplication = ProgramCommandLine(program);
      const std::string service = RotatorServiceName(ProgramPath(program));
      if (DdeClientConv1.LinkTo(service, kCommandTopic)) {
        Rotator.RotLinkActive = true;
        Sleep(kGreetingPauseMs);
        *MacroLines = GreetingLines();
        DdeClientConv1.ExecuteLines(*MacroLines, false);
      }
    }
  }
  Rotator.PendingTarget = kNoTarget;
}

void TForm6::SendTargetCommand() {
  if (!MacroLines) MacroLines.emplace();
  *MacroLines = TargetCommandLines(Rotator.PendingTarget, Rotator.PendingSecond);
  DdeClientConv1.ExecuteLines(*MacroLines, false);
  // Cleared whether or not the execute was taken: a target is sent at most once.
  Rotator.PendingTarget = kNoTarget;
}

void TForm6::DdeClientConv1Close(dde::TDdeClientConv& /*Sender*/) {
  Rotator.RotLinkActive = false;
  DisconnectLogger();
  DetachMessageFilter();
}

void TForm6::FormDestroyLinkHalf() {
  MacroLines.reset();
  if (!Rotator.RotLinkActive) return;
  // Unlink raises OnClose first, so DdeClientConv1Close has released Logger32 and detached
  // the filter by the time it returns; the two calls after it find nothing left to do.
  DdeClientConv1.Unlink();
  DetachMessageFilter();
  DisconnectLogger();
}

}  // namespace vexal
