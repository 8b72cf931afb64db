// The status line in an operator's words: what is wrong with the rotator, what to check, and
// one countdown, from the technical chain the drivers and the supervisor report ("rotctld ended
// (exit code 2): rot_open: error = IO error; starting it again in 7 s; connection to …
// refused") and the settings (the serial port). The chain itself stays for the log and the
// window's "Details…". No Win32 here.
#pragma once

#include <string>
#include <vector>

#include "rotserver/core/heading_text.h"
#include "rotserver/core/view_state.h"

namespace rotserver {

// Whether Windows lists the port now (a USB adapter comes and goes with its cable).
enum class PortListing { kUnknown, kListed, kAbsent };

// What the operator set up, as far as the words need it.
struct StatusContext {
  std::string port;         // "COM3"; empty when unknown
  bool supervised = false;  // RotServer starts rotctld itself
  PortListing listing = PortListing::kUnknown;
};

// The port named by the settings: the chosen serial port, else the "-r" of a typed command
// line; empty when neither names one.
std::string PortOf(const std::string& device, const std::string& command_line);

// Whether the port needs looking up in Windows' list of serial ports now: a COM port that
// rotctld could not open.
bool WantsPortListing(const ViewState& state, const StatusContext& context);
// `port` among `listed` (Windows' serial ports); kUnknown for what is no COM port.
PortListing ListingOf(const std::string& port, const std::vector<std::string>& listed);

// "Cannot open COM3 (IO error). Check the port number, the cable and the controller's power.
// Trying again in 7 s." One to three short sentences.
std::string OperatorStatus(const ViewState& state, const StatusContext& context);

// The mark beside it: green only for a real rotator that answers; the simulated one is amber.
LinkMark StatusMark(const ViewState& state);

// The technical chain for "Details…" and a help request: backend, link, every error as given.
std::string StatusDetails(const ViewState& state);

}  // namespace rotserver
