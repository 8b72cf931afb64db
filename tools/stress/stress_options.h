// Command line of the stress tool: one command word, then --name value pairs.
#pragma once

#include "byte_text.h"

#include <map>
#include <optional>
#include <string>

namespace stress {

struct Command {
  std::string name;
  std::map<std::string, std::string> values;

  bool Has(const std::string& key) const { return values.count(key) != 0; }
  std::string Text(const std::string& key, const std::string& fallback = "") const;
  // A decimal number; `fallback` when absent. Sets `bad` when present but not a number.
  long long Number(const std::string& key, long long fallback, bool* bad) const;
};

// Flags without a value ("--no-nul") are stored with the value "1".
std::optional<Command> ParseCommand(int argc, char** argv, std::string* error);

// Escapes as rotator-sim takes them (\r \n \t \0 \\ \xHH); nothing when one is malformed.
using rotsim::Unescape;

extern const char* const kUsage;

}  // namespace stress
