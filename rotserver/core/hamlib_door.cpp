#include "rotserver/core/hamlib_door.h"

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "rotserver/core/plain_text.h"

namespace rotserver {

namespace {

struct VerbName {
  std::string_view short_name;  // empty: none
  std::string_view long_name;
  HamlibCommand::Verb verb;
};

constexpr VerbName kVerbs[] = {
    {"p", "get_pos", HamlibCommand::Verb::kGetPos},
    {"P", "set_pos", HamlibCommand::Verb::kSetPos},
    {"S", "stop", HamlibCommand::Verb::kStop},
    {"", "dump_state", HamlibCommand::Verb::kDumpState},
    {"_", "get_info", HamlibCommand::Verb::kGetInfo},
    {"q", "quit", HamlibCommand::Verb::kQuit},
    {"Q", "", HamlibCommand::Verb::kQuit},
};

bool ReadSetPos(std::string_view args, HamlibCommand* command) {
  std::vector<std::string_view> words;
  while (!(args = Trimmed(args)).empty()) {
    std::size_t end = args.find_first_of(" \t");
    words.push_back(args.substr(0, end));
    args.remove_prefix(end == std::string_view::npos ? args.size() : end);
  }
  if (words.empty() || words.size() > 2) return false;
  std::optional<double> azimuth = FiniteNumber(words[0]);
  if (!azimuth) return false;
  command->azimuth = *azimuth;
  if (words.size() == 2) {
    command->elevation = FiniteNumber(words[1]);
    if (!command->elevation) return false;
  }
  return true;
}

std::string Fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// `values` as rotctld prints them: plain, one value a line; extended, the command echoed, then
// "Label: value" lines, then the result code.
std::string Reply(const HamlibCommand& command, int code,
                  const std::vector<std::pair<std::string, std::string>>& values) {
  if (!command.separator) {
    if (code != kRprtOk || values.empty()) return "RPRT " + std::to_string(code) + "\n";
    std::string out;
    for (const auto& value : values) out += value.second + "\n";
    return out;
  }
  const char sep = command.separator;
  std::string out = command.name + ":";
  if (!command.args.empty()) out += " " + command.args;
  out += sep;
  if (code == kRprtOk)
    for (const auto& value : values) out += value.first + ": " + value.second + sep;
  return out + "RPRT " + std::to_string(code) + "\n";
}

std::string DumpState(const HamlibCommand& command, const Range& range, bool elevation_axis) {
  const std::string type = elevation_axis ? "AzEl" : "Az";
  const std::pair<const char*, std::string> lines[] = {
      {"rotctld Protocol Ver", "1"},
      {"Rotor Model", "1"},
      {"Minimum Azimuth", Fixed(range.min_az, 6)},
      {"Maximum Azimuth", Fixed(range.max_az, 6)},
      {"Minimum Elevation", Fixed(range.min_el.value_or(0), 6)},
      {"Maximum Elevation", Fixed(range.max_el.value_or(90), 6)},
      {"South Zero", "0"},
  };
  const char* keys[] = {"", "", "min_az", "max_az", "min_el", "max_el", "south_zero"};
  std::string out;
  const char sep = command.separator ? command.separator : '\n';
  if (command.separator) out = command.name + ":" + sep;
  for (std::size_t i = 0; i < std::size(lines); ++i) {
    if (command.separator)
      out += std::string(lines[i].first) + ": " + lines[i].second + sep;
    else
      out += (*keys[i] ? std::string(keys[i]) + "=" : std::string()) + lines[i].second + sep;
  }
  out += "rot_type=" + type + sep + "done" + sep;
  if (command.separator) out += "RPRT 0\n";
  return out;
}

int CodeFor(const TurnOutcome& outcome) {
  if (outcome.kind != TurnOutcome::Kind::kRefused) return kRprtOk;
  switch (outcome.why) {
    case TurnOutcome::Why::kNoRotator:
      return kRprtTimeout;  // as rotctld answers when its controller is silent
    case TurnOutcome::Why::kHeldOff:
      return kRprtRejected;
    default:
      return kRprtInvalid;
  }
}

}  // namespace

HamlibCommand ParseHamlibLine(std::string_view line) {
  HamlibCommand command;
  line = Trimmed(line);
  if (line.empty()) return command;
  if (line.front() == '+' || line.front() == ';' || line.front() == '|' || line.front() == ',') {
    command.separator = line.front() == '+' ? '\n' : line.front();
    line.remove_prefix(1);
  }
  std::string_view word = line.substr(0, line.find_first_of(" \t"));
  std::string_view args = Trimmed(line.substr(word.size()));
  const bool long_form = !word.empty() && word.front() == '\\';
  if (long_form) word.remove_prefix(1);
  command.verb = HamlibCommand::Verb::kUnknown;
  command.name = std::string(word);
  for (const VerbName& verb : kVerbs) {
    if (word.empty() || word != (long_form ? verb.long_name : verb.short_name)) continue;
    command.verb = verb.verb;
    command.name = std::string(verb.long_name.empty() ? "quit" : verb.long_name);
  }
  command.args = std::string(args);
  if (command.verb == HamlibCommand::Verb::kSetPos) {
    if (!ReadSetPos(args, &command)) command.verb = HamlibCommand::Verb::kBadArgs;
  } else if (command.verb != HamlibCommand::Verb::kUnknown && !args.empty()) {
    command.verb = HamlibCommand::Verb::kBadArgs;
  }
  return command;
}

std::string HamlibDoor::Answer(std::string_view line, const Asker& asker, Arbiter& arbiter,
                               FrontEnd& front, Millis now, bool* quit) const {
  const HamlibCommand command = ParseHamlibLine(line);
  switch (command.verb) {
    case HamlibCommand::Verb::kNone:
      return {};
    case HamlibCommand::Verb::kQuit:
      *quit = true;
      return {};
    case HamlibCommand::Verb::kUnknown:
      return Reply(command, kRprtNotImplemented, {});
    case HamlibCommand::Verb::kBadArgs:
      return Reply(command, kRprtInvalid, {});
    case HamlibCommand::Verb::kGetInfo:
      return Reply(command, kRprtOk, {{"Info", info_}});
    case HamlibCommand::Verb::kGetPos: {
      std::optional<Reading> reading = front.LiveReading(now);
      if (!reading) return Reply(command, kRprtTimeout, {});
      return Reply(command, kRprtOk,
                   {{"Azimuth", Fixed(reading->position, 2)},
                    {"Elevation", Fixed(reading->elevation.value_or(0), 2)}});
    }
    case HamlibCommand::Verb::kDumpState: {
      std::optional<Range> range = front.Limits();
      if (!range) return Reply(command, kRprtTimeout, {});
      return DumpState(command, *range, range->min_el.has_value());
    }
    case HamlibCommand::Verb::kStop:
      return Reply(command, CodeFor(arbiter.Carry(front, asker, DoorRequest::Stop(), now)), {});
    case HamlibCommand::Verb::kSetPos: {
      DoorRequest request = DoorRequest::TurnTo(command.azimuth);
      request.exact = true;
      request.elevation = command.elevation;
      return Reply(command, CodeFor(arbiter.Carry(front, asker, request, now)), {});
    }
  }
  return {};
}

}  // namespace rotserver
