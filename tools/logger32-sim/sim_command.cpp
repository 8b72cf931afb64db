#include "sim_command.h"

#include <charconv>
#include <string>
#include <vector>

namespace logger32sim {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t pos = 0;
  while (pos < line.size()) {
    size_t start = line.find_first_not_of(" \t\r\n", pos);
    if (start == std::string_view::npos) break;
    size_t end = line.find_first_of(" \t\r\n", start);
    if (end == std::string_view::npos) end = line.size();
    words.push_back(line.substr(start, end - start));
    pos = end;
  }
  return words;
}

bool ToLong(std::string_view word, long& value) {
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  return ec == std::errc() && end == word.data() + word.size();
}

}  // namespace

std::optional<SimCommand> ParseCommand(std::string_view line) {
  std::vector<std::string_view> words = Words(line);
  if (words.empty()) return std::nullopt;
  SimCommand command;
  if (words[0] == "close" && words.size() == 1) {
    command.kind = SimCommand::Kind::kClose;
    return command;
  }
  if (words[0] == "turn" && words.size() == 2 && ToLong(words[1], command.lparam)) {
    command.kind = SimCommand::Kind::kTurn;
    command.wparam = 101;
    return command;
  }
  if ((words[0] == "post" || words[0] == "send") && words.size() == 3 &&
      ToLong(words[1], command.wparam) && ToLong(words[2], command.lparam)) {
    command.kind = words[0] == "post" ? SimCommand::Kind::kPost : SimCommand::Kind::kSend;
    return command;
  }
  return std::nullopt;
}

}  // namespace logger32sim
