#include "rotserver/core/rotctld_command.h"

#include "wire/wire.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "rotserver/core/child_output.h"
#include "rotserver/core/plain_text.h"

namespace rotserver {

namespace {

std::optional<int> Degrees(std::string_view text) {
  text = Trimmed(text);
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

std::string Folder(std::string folder) {
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

// "4.5.10" after "4.5.9": the numbers in a folder name compared as numbers.
bool OlderVersion(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) &&
        std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      const long x = std::stol(a.substr(i, std::min<std::size_t>(ei - i, 9)));
      const long y = std::stol(b.substr(j, std::min<std::size_t>(ej - j, 9)));
      if (x != y) return x < y;
      i = ei;
      j = ej;
    } else {
      const int x = std::tolower(static_cast<unsigned char>(a[i++]));
      const int y = std::tolower(static_cast<unsigned char>(b[j++]));
      if (x != y) return x < y;
    }
  }
  return a.size() - i < b.size() - j;
}

// Whole degrees, for values already judged plausible.
std::string NumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", value);
  return text;
}

}  // namespace

bool ParseRotatorRange(std::string_view text, std::optional<RotatorRange>* out) {
  text = Trimmed(text);
  if (text.empty() || Lower(text) == kRangeAsReported) {
    *out = std::nullopt;
    return true;
  }
  std::size_t dots = text.find("..");
  if (dots == std::string_view::npos) return false;
  std::optional<int> min = Degrees(text.substr(0, dots)), max = Degrees(text.substr(dots + 2));
  if (!min || !max || *min >= *max || *min < -360 || *max > 720) return false;
  *out = RotatorRange{*min, *max};
  return true;
}

std::string FormatRotatorRange(const std::optional<RotatorRange>& range) {
  if (!range) return kRangeAsReported;
  return std::to_string(range->min_az) + ".." + std::to_string(range->max_az);
}

std::string QuotedPath(const std::string& path) {
  if (!path.empty() && path.find_first_of(" \t") == std::string::npos) return path;
  return "\"" + path + "\"";
}

bool UsesBuiltCommand(const Settings& settings) {
  return settings.backend == BackendKind::kRotctld && settings.rotctld_command.empty() &&
         settings.rotctld_model != 0;
}

std::string BuildRotctldCommand(const Settings& settings, int tcp_port) {
  std::string line = QuotedPath(settings.rotctld_path);
  line += " -m " + std::to_string(settings.rotctld_model);
  if (!settings.rotctld_device.empty()) line += " -r " + QuotedPath(settings.rotctld_device);
  if (settings.rotctld_speed) line += " -s " + std::to_string(settings.rotctld_speed);
  std::optional<RotatorRange> range;
  if (ParseRotatorRange(settings.rotator_range, &range) && range)
    line +=
        " -C min_az=" + std::to_string(range->min_az) + ",max_az=" + std::to_string(range->max_az);
  line += " -T 127.0.0.1 -t " + std::to_string(tcp_port);
  return line;
}

std::optional<AzimuthLimits> ConfiguredRange(const Settings& settings) {
  std::optional<RotatorRange> range;
  if (!ParseRotatorRange(settings.rotator_range, &range) || !range) return std::nullopt;
  return AzimuthLimits{static_cast<double>(range->min_az), static_cast<double>(range->max_az)};
}

TestOutcome JudgeTestAnswers(const std::string& model_name,
                             const std::optional<AzimuthLimits>& configured,
                             const std::optional<RotctldReply>& state,
                             const std::optional<RotctldReply>& position) {
  if (!state) return {false, "rotctld did not answer \\dump_state in time"};
  if (state->code) return {false, "rotctld refused \\dump_state: " + ReportText(state->code)};
  std::optional<DumpStateLimits> limits = ParseDumpState(state->lines);
  if (!limits) return {false, "rotctld's \\dump_state gives no azimuth range"};
  if (!position) return {false, "rotctld did not answer the position query in time"};
  if (position->code)
    return {false, "rotctld runs, but the rotator does not answer: " + ReportText(position->code)};
  std::optional<Position> at = ParsePosition(position->lines);
  if (!at) return {false, "rotctld's position answer cannot be read"};
  // The same judgement as the live link's: what it would not believe is no success here.
  const RangeInUse range = ChooseRange(limits, configured, "");
  std::string wrong = range.note;
  if (std::string fault = ReadingFault(*at, range); !fault.empty())
    wrong += (wrong.empty() ? "" : "; ") + std::string("its reading cannot be true: ") + fault;
  if (!wrong.empty()) return {false, model_name + " answers, but " + wrong};
  return {true, AnswerText(model_name, at->azimuth, range.azimuth)};
}

std::string AnswerText(const std::string& model_name, double azimuth, const AzimuthLimits& limits) {
  return model_name + " answers: azimuth " + NumberText(azimuth) + "\xB0, range " +
         NumberText(limits.min_az) + ".." + NumberText(limits.max_az);
}

std::string EndedText(const std::string& program_path, const std::string& error_output,
                      unsigned long exit_code) {
  if (std::string words = SystemExitWords(program_path, exit_code); !words.empty()) return words;
  // The last non-empty line: rotctld's reason comes after any warnings.
  std::string_view rest = error_output, last;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::string_view line = Trimmed(rest.substr(0, end));
    if (!line.empty()) last = line;
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  if (!last.empty()) return "rotctld ended: " + Readable(last);
  return "rotctld ended with exit code " + std::to_string(exit_code) + " and said nothing";
}

std::string Readable(std::string_view text, std::size_t limit) {
  std::string out;
  out.reserve(std::min(text.size(), limit));
  for (char c : text.substr(0, std::min(text.size(), limit + 1)))
    out.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
  if (out.size() <= limit) return out;
  out.resize(limit > 3 ? limit - 3 : 0);
  const std::size_t blank = out.find_last_of(' ');
  if (blank != std::string::npos && blank + 20 >= out.size()) out.resize(blank);
  return out + "...";
}

std::string DeviceArgument(std::string_view arguments) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : arguments) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word.push_back(c);
      any = true;
    }
  }
  if (any) words.push_back(word);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if ((w == "-r" || w == "--rot-file") && i + 1 < words.size()) return words[i + 1];
    if (w.rfind("--rot-file=", 0) == 0) return w.substr(11);
    if (w.size() > 2 && w.rfind("-r", 0) == 0 && w[2] != '-') return w.substr(2);
  }
  return {};
}

bool SameDevice(std::string_view a, std::string_view b) {
  auto plain = [](std::string_view d) {
    d = Trimmed(d);
    if (d.rfind("\\\\.\\", 0) == 0) d.remove_prefix(4);
    return Lower(d);
  };
  return !plain(a).empty() && plain(a) == plain(b);
}

std::optional<FoundRotctld> FindRotctld(const RotctldPlaces& places,
                                        const std::function<bool(const std::string&)>& exists) {
  const char kName[] = "\\rotctld.exe";
  if (!places.own_folder.empty() && exists(Folder(places.own_folder) + kName))
    return FoundRotctld{Folder(places.own_folder) + kName, "beside RotServer.exe"};
  std::string_view path = places.path_variable;
  while (!path.empty()) {
    std::size_t end = path.find(';');
    std::string folder(Trimmed(path.substr(0, end)));
    path.remove_prefix(end == std::string_view::npos ? path.size() : end + 1);
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
      folder = folder.substr(1, folder.size() - 2);
    folder = Folder(folder);
    if (!folder.empty() && exists(folder + kName))
      return FoundRotctld{folder + kName, "on PATH (" + folder + ")"};
  }
  for (const char* kind : {"hamlib-w64-", "hamlib-w32-"}) {
    std::vector<std::string> folders;
    for (const std::string& f : places.hamlib_folders) {
      std::string name = Folder(f);
      name = name.substr(name.find_last_of('\\') + 1);
      if (Lower(name).rfind(kind, 0) == 0) folders.push_back(Folder(f));
    }
    std::sort(folders.begin(), folders.end(), OlderVersion);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
      if (exists(*it + "\\bin" + kName)) return FoundRotctld{*it + "\\bin" + kName, "in " + *it};
  }
  return std::nullopt;
}

ProgramChoice ChooseProgram(const std::optional<std::string>& stored, const std::string& own_path,
                            const std::function<bool(const std::string&)>& exists) {
  if (!stored) return ProgramChoice::kWrite;
  // Read as the bridge reads it: a quoted program may be followed by its arguments.
  const std::string path(Trimmed(wire::ProgramPath(std::string(Trimmed(*stored)))));
  if (Lower(path) == Lower(own_path)) return ProgramChoice::kOurs;
  if (path.empty() || !exists(path)) return ProgramChoice::kWrite;
  return ProgramChoice::kAskFirst;
}

std::string ProgramValueFor(const std::string& own_path) {
  return "\"" + own_path + "\"";
}

}  // namespace rotserver
