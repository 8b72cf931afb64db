// What RotServer does with an error caught where Windows called it (a window or dialog
// procedure, a timer, DDEML, a socket notice): no exception may go back into Windows, and the
// operator should still learn of it. Every such place catches everything and hands it here;
// the program sends it to its log and its window's status line (SetCallbackErrorSink), and it
// always goes to the debugger's output as well.
#pragma once

#include <functional>
#include <string>

namespace rotserver {

// Where reports go from now on; an empty function: to the debugger's output only. The sink is
// called on the thread that caught the error, which is the window's thread in RotServer.
void SetCallbackErrorSink(std::function<void(const std::string&)> sink);

// From inside a catch block: reports the exception being handled as "WHERE: WHAT". Never
// throws, whatever the sink does.
void ReportCallbackError(const char* where) noexcept;
// The same for an error already caught elsewhere (the DDE layer catches at its own callback).
void ReportCallbackError(const char* where, const std::string& what) noexcept;

// Runs `body`; if it throws, reports the error and returns `fallback`.
template <class R, class Body>
R CallGuarded(const char* where, R fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    ReportCallbackError(where);
    return fallback;
  }
}

template <class Body>
void CallGuarded(const char* where, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    ReportCallbackError(where);
  }
}

}  // namespace rotserver
