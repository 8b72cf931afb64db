// Reads command lines from standard input on a thread of its own and posts each line to a
// window; the window owns the posted string. The thread ends at end of input.
#pragma once

#include <windows.h>

#include <string>

namespace logger32sim {

// lParam of `message` is a std::string* that the receiver deletes.
void StartStdinReader(HWND target, UINT message);

}  // namespace logger32sim
