#include "core/command_line.h"

namespace rotserver {

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error) {
  CommandLine result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--log") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        *error = "--log needs a file name";
        return std::nullopt;
      }
      result.log_path = args[++i];
    } else {
      result.ignored.push_back(args[i]);
    }
  }
  return result;
}

}  // namespace rotserver
