// Commands that a user (standard input) or a test (WM_COPYDATA) gives the running simulator.
#pragma once

#include <optional>
#include <string_view>

namespace logger32sim {

// WM_COPYDATA carrying a command line has this dwData ('L32S').
inline constexpr unsigned long kCopyDataCommand = 0x4C333253;

struct SimCommand {
  enum class Kind { kTurn, kPost, kSend, kClose };
  Kind kind = Kind::kClose;
  long wparam = 0;
  long lparam = 0;
};

// "turn AZ", "post W L", "send W L" or "close", blanks around words allowed; nullopt otherwise.
std::optional<SimCommand> ParseCommand(std::string_view line);

}  // namespace logger32sim
