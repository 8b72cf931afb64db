#include "rotserver/core/operator_status.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <vector>

#include "rotserver/core/settings_checks.h"
#include "rotserver/core/status_text.h"

namespace rotserver {

namespace {

// One known fault: where its text appears in the chain, what it needs besides, and what the
// operator reads. The words may use the pattern's groups ($1, $2) and {port}, {address}.
// Earlier rows win: the cause before its consequences (rotctld's own words before the refused
// connection they caused).
enum class Needs { kNothing, kPortAbsent, kSupervised };

struct Row {
  const char* pattern;
  const char* words;
  Needs needs = Needs::kNothing;
};

constexpr Row kWordRows[] = {
    // RotServer's own rotctld made room on its serial port for the settings dialog's Test.
    {R"(rotctld paused for the Test)",
     "rotctld is paused for the Test in Settings; it starts again when the Test ends."},
    // Windows' loader: a DLL missing, too old, or for the other bitness.
    {R"(0xC0000135|3221225781|DLL[^;]*missing|missing[^;]*DLL)",
     "rotctld.exe cannot start: a DLL it needs is missing. Choose the one in Hamlib's bin "
     "folder (Settings)."},
    {R"(0xC0000139|3221225785)",
     "rotctld.exe cannot start: one of its DLLs is too old. Choose the one in Hamlib's bin "
     "folder (Settings)."},
    {R"(0xC000007B|3221225595)",
     "rotctld.exe cannot start: its DLLs do not match it. Reinstall Hamlib and choose its "
     "rotctld.exe (Settings)."},
    {R"(rotctld program not found|rotctld\.exe (was )?not found)",
     "rotctld.exe was not found. Choose it in Settings (in Hamlib's bin folder)."},
    {R"(rotctld command line)",
     "The rotctld command line in Settings cannot be used. Details… says why."},
    {R"(cannot start|could not start)",
     "rotctld.exe cannot start. Choose it again in Settings; Details… says why."},
    {R"(^bad settings)", "Some settings cannot be used. Open Settings to correct them."},
    // rotctld's last words when it ends at once: the port.
    {R"(ended[^;]*(Permission denied|Access is denied|[Bb]usy))",
     "{port} is in use by another program. Close that program, or choose another port."},
    {R"(rot_open: error = )",
     "{port} is not there. Plug in the controller's USB cable, or choose the port Windows lists "
     "(Settings).",
     Needs::kPortAbsent},
    {R"(rot_open: error = ([^;]{0,40}[^;\s]))",  // Hamlib's words, as short as they come
     "Cannot open {port} ($1). Check the port number, the cable and the controller's power."},
    // The controller behind a running rotctld.
    {R"(RPRT -5\b)",
     "The controller on {port} does not answer. Check its power and cable, and the controller "
     "and speed in Settings."},
    {R"(RPRT -6\b)",
     "{port} stopped working (input/output error). Check the cable and the USB adapter."},
    {R"(RPRT -20\b)", "The rotator is not powered. Switch the controller on."},
    {R"(target (-?\d+(?:\.[1-9])?)(?:\.0)?(?: elevation \S+)? refused: RPRT -?\d+ \(([^)]*)\))",
     "The rotator refused to turn to $1° ($2). Turn within its range, or check the range in "
     "Settings."},
    {R"(stop refused: RPRT -?\d+ \(([^)]*)\))",
     "The rotator refused to stop ($1). Stop it at the controller."},
    {R"(keeps dropping the connection \((\d+) times in (\d+) min\))",
     "rotctld keeps dropping the link ($1 times in $2 min). Check the controller's cable and "
     "power; Details… has more."},
    {R"(rotctld ended)",
     "rotctld stopped unexpectedly. Check the controller and port in Settings; Details… says "
     "why."},
    {R"(implausible reading)",
     "The controller reports an impossible heading. Check the controller model in Settings."},
    {R"(rotctld's range \S+ cannot be a rotator's[^;]*(?:range|taken as) ([^\s;]+))",
     "rotctld reports a range no rotator has: $1 is used. Set the rotator's real range in "
     "Settings."},
    {R"(rotctld's elevation range)",
     "rotctld reports an elevation range no rotator has: the elevation is held as read. Check "
     "the controller model in Settings."},
    {R"(range from dump_state[^:;]*: using the configured range ([^\s;]+))",
     "rotctld did not tell the rotator's range: the range set in Settings ($1) is used."},
    {R"(range from dump_state)",
     "rotctld did not tell the rotator's range: 0..360 assumed. Set the range in Settings."},
    {R"(no answer to|did not answer|no readable replies|not understood|protocol fault)",
     "rotctld does not answer properly. Check the controller model in Settings; Details… has "
     "more."},
    {R"(no connection within|timed out)",
     "rotctld at {address} does not answer. Check its address in Settings."},
    // A refused connection while RotServer's own rotctld runs: it is still starting.
    {R"(refused|nothing listens|WSAECONNREFUSED|10061)", "Waiting for rotctld to start.",
     Needs::kSupervised},
    {R"(refused|nothing listens|WSAECONNREFUSED|10061)",
     "Nothing answers at {address}. Start rotctld there, or choose your controller in Settings."},
};

std::string Replaced(std::string text, const std::string& name, const std::string& value) {
  for (std::size_t at = text.find(name); at != std::string::npos;
       at = text.find(name, at + value.size()))
    text.replace(at, name.size(), value);
  return text;
}

// "127.0.0.1:4533" from "rotctld 127.0.0.1:4533".
std::string AddressOf(const ViewState& state) {
  const std::string prefix = "rotctld ";
  if (state.backend_label.rfind(prefix, 0) == 0) return state.backend_label.substr(prefix.size());
  return "rotctld's address";
}

std::string Filled(std::string words, const ViewState& state, const StatusContext& context) {
  if (context.port.empty() && words.rfind("{port}", 0) == 0) words.replace(0, 6, "The port");
  words = Replaced(std::move(words), "{port}", context.port.empty() ? "the port" : context.port);
  return Replaced(std::move(words), "{address}", AddressOf(state));
}

// The first matching row's words; empty when no row knows the text.
std::string Known(const std::string& chain, const ViewState& state, const StatusContext& context) {
  static const std::vector<std::regex> patterns = [] {
    std::vector<std::regex> compiled;
    for (const Row& row : kWordRows) compiled.emplace_back(row.pattern, std::regex::ECMAScript);
    return compiled;
  }();
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const Needs needs = kWordRows[i].needs;
    if ((needs == Needs::kPortAbsent && context.listing != PortListing::kAbsent) ||
        (needs == Needs::kSupervised && !context.supervised))
      continue;
    std::smatch match;
    if (std::regex_search(chain, match, patterns[i]))
      return Filled(match.format(kWordRows[i].words), state, context);
  }
  return {};
}

// The one countdown: rotctld's restart where RotServer restarts it, else the reconnection's.
int SecondsToRetry(const ViewState& state) {
  static const std::regex restart(R"(\bagain in (\d{1,6}) s\b)");
  std::smatch match;
  if (std::regex_search(state.last_error, match, restart)) return std::stoi(match[1].str());
  if (state.link == LinkState::kReconnecting)
    return state.reconnect_in_s < 0 ? 0 : state.reconnect_in_s;
  return -1;
}

std::string WithoutError(const ViewState& state, const StatusContext& context) {
  switch (state.link) {
    case LinkState::kConnected:
      if (state.simulated)
        return "Simulated rotator: nothing real turns. Choose your controller in Settings.";
      if (!state.bridge_linked)
        return "Rotator ready. Start Logger32-Vexal so that Logger32 can turn it.";
      return "Rotator ready.";
    case LinkState::kConnecting:
      if (state.simulated) return "Starting the simulated rotator…";
      return context.supervised ? "Starting rotctld…"
                                : "Connecting to rotctld at " + AddressOf(state) + "…";
    case LinkState::kReconnecting:
      return "The link to rotctld was lost.";
    case LinkState::kFailed:
      break;
  }
  return "The rotator is not working. Open Settings to check it.";
}

// A text no row knows: its first clause, short enough to read, else a pointer to Details.
std::string Unknown(const std::string& chain) {
  std::string first = chain.substr(0, chain.find("; "));
  if (first.empty() || first.size() > 90)
    return "The rotator reports a problem. Details… says what.";
  first[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(first[0])));
  return first.back() == '.' ? first : first + ".";
}

}  // namespace

std::string PortOf(const std::string& device, const std::string& command_line) {
  if (!device.empty()) return device;
  static const std::regex option(R"((?:^|\s)(?:-r|--rot-file)[\s=]+"?([^\s"]+))");
  std::smatch match;
  if (std::regex_search(command_line, match, option)) return match[1].str();
  return {};
}

bool WantsPortListing(const ViewState& state, const StatusContext& context) {
  return state.last_error.find("rot_open: error = ") != std::string::npos &&
         ListingOf(context.port, {}) != PortListing::kUnknown;
}

PortListing ListingOf(const std::string& port, const std::vector<std::string>& listed) {
  if (!IsSerialPortName(port)) return PortListing::kUnknown;
  const std::string name = port.substr(port.find_first_of("Cc"));
  for (const std::string& each : listed)
    if (each.size() == name.size() &&
        std::equal(each.begin(), each.end(), name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) ==
                 std::toupper(static_cast<unsigned char>(b));
        }))
      return PortListing::kListed;
  return PortListing::kAbsent;
}

std::string OperatorStatus(const ViewState& state, const StatusContext& context) {
  std::string words;
  if (state.last_error.empty()) {
    words = WithoutError(state, context);
  } else {
    words = Known(state.last_error, state, context);
    if (words.empty()) words = Unknown(state.last_error);
  }
  if (state.link != LinkState::kConnected) {
    if (int seconds = SecondsToRetry(state); seconds >= 0)
      words += " Trying again in " + std::to_string(seconds) + " s.";
  }
  return words;
}

LinkMark StatusMark(const ViewState& state) {
  const LinkMark mark = MarkOf(state.link);
  return mark == LinkMark::kGood && state.simulated ? LinkMark::kTrying : mark;
}

std::string StatusDetails(const ViewState& state) {
  return StatusLine(state) +
         "\nLogger32-Vexal: " + (state.bridge_linked ? "linked" : "not running");
}

}  // namespace rotserver
