#include "bridge/rotator/command_link_win.h"

#include <windows.h>

#include "bridge/base/application_win.h"
#include "bridge/rotator/macros.h"
#include "bridge/base/error_texts.h"
#include "bridge/base/errors.h"
#include "winui/registry_win.h"
#include "wire/wire.h"

namespace vexal {

namespace {
constexpr DWORD kGreetingPauseMs = 1500;

void DetachMessageFilter() {
  if (Application* app = Application::Instance()) app->ClearOnMessage();
}

// A string value (REG_SZ, or REG_EXPAND_SZ taken unexpanded), cut at its first NUL; empty when
// the value is missing or has size 0. Throws ERegistryException for another type or when the
// data cannot be read.
std::string ReadString(const winui::RegKey& key, const std::string& name) {
  winui::RegValue value;
  winui::RegKey::Read read = key.Value(name, &value);
  if (read == winui::RegKey::Read::kMissing) return {};
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
    throw ERegistryException(error_text::RegistryWrongType(QuotedForError(name)));
  if (read == winui::RegKey::Read::kFailed)
    throw ERegistryException(error_text::RegistryReadFailed(QuotedForError(name)));
  return winui::StringOf(value);
}
}  // namespace

std::optional<std::vector<std::string>> MacroLines;

void OpenCommandLink(dde::TDdeClientConv& link, RotatorState& state) {
  state.RotLinkActive = false;
  MacroLines.emplace();
  {
    // An error reading the value leaves here, key closed, with no link and nothing marked
    // as sent.
    // Read access only: a user who may read but not write the key still gets the setting.
    winui::RegKey key = winui::RegKey::Open(HKEY_CURRENT_USER, wire::kSettingsKey, KEY_READ);
    if (key) {
      const std::string program = ReadString(key, wire::kProgramValue);
      link.ServiceApplication = wire::ProgramCommandLine(program);
      const std::string service = wire::RotatorServiceName(wire::ProgramPath(program));
      if (link.LinkTo(service, wire::kCommandTopic)) {
        state.RotLinkActive = true;
        Sleep(kGreetingPauseMs);
        *MacroLines = GreetingLines();
        link.ExecuteLines(*MacroLines);
      }
    }
  }
  state.PendingTarget = kNoTarget;
}

void SendTargetCommand(dde::TDdeClientConv& link, RotatorState& state) {
  if (!MacroLines) MacroLines.emplace();
  *MacroLines = TargetCommandLines(state.PendingTarget, state.PendingSecond);
  link.ExecuteLines(*MacroLines);
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
