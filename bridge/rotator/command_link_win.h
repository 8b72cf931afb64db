// The rotator command link: the DDE client conversation to the rotator server on
// "RotServConv", opened once after a successful Logger32 handshake, the greeting, the target
// command, and what happens when the link ends. The main window's handlers delegate here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bridge/dde/dde_client_conv_win.h"
#include "bridge/rotator/rotator_state.h"

namespace vexal {

// The one list in which outgoing macros are composed: exists from a successful handshake
// until the window is destroyed.
extern std::optional<std::vector<std::string>> MacroLines;

// Links to the server that the registry value HKCU\Software\Vexal\Program names (starting it
// when nobody answers) and greets it after a pause. No key, no value or no answer: no link.
// An error reading the value (ERegistryException) leaves here with the key closed, no link
// and nothing marked as sent. Either way no target is pending afterwards.
void OpenCommandLink(dde::TDdeClientConv& link, RotatorState& state);

// Sends the pending target and clears it, whether or not DDEML took the execute: a target is
// sent at most once.
void SendTargetCommand(dde::TDdeClientConv& link, RotatorState& state);

// The link has ended (the server went, or CloseCommandLink ended it): marks it down, releases
// Logger32 through `release_logger`, and detaches the application's message filter for the
// rest of the process, so that turn requests are no longer taken.
void CommandLinkClosed(RotatorState& state, const std::function<void()>& release_logger);

// At the window's destruction: ends the link if it is up, which raises CommandLinkClosed
// through the conversation's close event.
void CloseCommandLink(dde::TDdeClientConv& link, RotatorState& state,
                      const std::function<void()>& release_logger);

}  // namespace vexal
