// The status macros the measurements execute, how they judge an answer, and the clock.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>

#include "dde/client_win.h"

namespace bench {

// The 10-line status macro the rotator server sends: azimuth 123.4 degrees, all else 0.
std::string ConstantStatusMacro();

// Status macro number i of a turning rotator: the azimuth (whole degrees, 13 further each time)
// and the direction (left, right, left, ...) differ from those of macro i - 1, so that the shown
// azimuth and both panels' colours change with every macro.
std::string TurningStatusMacro(long i);

struct Timer {
  LARGE_INTEGER frequency;
  Timer() { QueryPerformanceFrequency(&frequency); }
  LONGLONG Now() const {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
  }
  double Micros(LONGLONG from, LONGLONG to) const {
    return static_cast<double>(to - from) * 1e6 / static_cast<double>(frequency.QuadPart);
  }
};

using ddeml::Client;
using ddeml::ErrorName;

enum class Answer { kAck, kNack, kNone };

// The status macro, with its terminating zero, executed synchronously.
Answer ExecuteStatusMacro(Client& client, DWORD timeout_ms);
// Any macro text, with its terminating zero, executed synchronously.
Answer ExecuteMacro(Client& client, const std::string& macro, DWORD timeout_ms);

}  // namespace bench
