// RotServer's command line. The bridge starts it with whatever the registry value "Program"
// holds, so anything unknown is tolerated; the options are for scripts and tests. No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rotserver {

struct CommandLine {
  std::string log_path;              // --log FILE: events for tests and benchmarks; empty: none
  std::vector<std::string> ignored;  // arguments that mean nothing to RotServer
};

// `args` without the program name. Nothing, with the reason, when --log lacks its value or is
// given twice.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error);

}  // namespace rotserver
