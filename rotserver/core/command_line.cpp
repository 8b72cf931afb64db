#include "rotserver/core/command_line.h"

#include "toolkit/options.h"

namespace rotserver {

namespace {
const toolkit::OptionSpec kOptions[] = {{"--log", toolkit::Takes::kValue}};
}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error) {
  try {
    toolkit::Options options(args, kOptions, toolkit::Others::kAll);
    return CommandLine{options.NonEmpty("--log"), options.words()};
  } catch (const toolkit::UsageError& e) {
    *error = e.what();
    return std::nullopt;
  }
}

}  // namespace rotserver
