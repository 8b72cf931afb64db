// Command line of the stress tool: one command word, then the options that command takes.
#pragma once

#include "toolkit/byte_text.h"
#include "toolkit/options.h"

#include <optional>
#include <string>
#include <vector>

namespace stress {

using toolkit::Options;

struct Command {
  std::string name;
  Options options;
};

// Reads argv[1..]; nothing when help was asked for. Throws toolkit::UsageError for a bad
// command line.
std::optional<Command> ParseCommand(std::vector<std::string> args);

// The whole numbers a command takes, by what they count.
inline constexpr long long kMaxCount = 2147483647;  // counts, lengths, sizes
inline constexpr long long kMaxMs = 4294967295;     // timeouts (a DWORD)

// Escapes as rotator-sim takes them (\r \n \t \0 \\ \xHH); nothing when one is malformed.
using toolkit::Unescape;

extern const char* const kUsage;

}  // namespace stress
