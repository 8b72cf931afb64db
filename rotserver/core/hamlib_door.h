// The network door that speaks Hamlib's rotctld protocol to other programs (trackers, SDR
// programs, loggers): one line in, one answer out, as Hamlib's rotctld gives it, in the short,
// long (`\get_pos`) and extended (`+`, or `;` `|` `,` as separator) forms. Position queries are
// answered from the front end's latest reading, so the controller is asked no more often however
// many programs poll; a target goes to the arbiter at once. No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/arbiter.h"
#include "rotserver/core/front_end.h"

namespace rotserver {

// Hamlib's result codes, as rotctld sends them after "RPRT".
inline constexpr int kRprtOk = 0;
inline constexpr int kRprtInvalid = -1;         // an argument out of range or unreadable
inline constexpr int kRprtNotImplemented = -4;  // a command this door does not offer
inline constexpr int kRprtTimeout = -5;         // no reading from the rotator
inline constexpr int kRprtRejected = -9;        // held off by the operator

struct HamlibCommand {
  enum class Verb {
    kNone,
    kGetPos,
    kSetPos,
    kStop,
    kDumpState,
    kGetInfo,
    kQuit,
    kUnknown,
    kBadArgs
  };
  Verb verb = Verb::kNone;
  std::string name;    // the long name, echoed in the extended form ("get_pos")
  std::string args;    // as given, echoed in the extended form ("10 20")
  char separator = 0;  // 0: plain answers; '\n' for '+'; or ';', '|', ','
  double azimuth = 0;  // kSetPos
  std::optional<double> elevation;
};

// One line without its end (a CR before it is tolerated).
HamlibCommand ParseHamlibLine(std::string_view line);

// The rotctld protocol's answers, from what RotServer knows now.
class HamlibDoor {
 public:
  explicit HamlibDoor(std::string info = "RotServer") : info_(std::move(info)) {}
  // The answer to one line from `asker`; *quit when the client said goodbye.
  std::string Answer(std::string_view line, const Asker& asker, Arbiter& arbiter, FrontEnd& front,
                     Millis now, bool* quit) const;

 private:
  std::string info_;
};

}  // namespace rotserver
