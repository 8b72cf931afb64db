// The words under RotServer's compass rose: which rotator, how its link stands, and whether
// the heading shown is live. No Win32 here.
#pragma once

#include <string>

#include "rotserver/core/view_state.h"

namespace rotserver {

// "rotctld 127.0.0.1:4533: connected", "…: reconnecting in 4 s (connection refused)",
// "…: limit exceeded (RPRT -21)": the backend, the link and the last error where there is one.
std::string StatusLine(const ViewState& state);

// "no reading for 7 s" for a stale heading, "no reading yet" before the first one; empty while
// readings arrive.
std::string StaleText(const ViewState& state);

}  // namespace rotserver
