// Test harness for the programs under Wine: starts the bridge and the simulated partners as
// separate processes and looks at them from outside, as a user or a partner would.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/job_win.h"

namespace harness {

using Millis = std::chrono::milliseconds;

// Directory of the running test program; the bridge and the simulators are built beside it.
std::string BinDir();
std::string BinPath(const std::string& file);

// A fresh, empty directory for the running test (logs, copies of programs).
std::string TestDir();

// Folder of the rotctld fixture (tests/rotctld-fixture) that serves this test: the one of the
// test's Wine session in a parallel run (VEXAL_ROTCTLD_DIR), else the build's own.
std::string RotctldFixtureDir();

// All processes that a test starts, grandchildren included, in one job that is killed when the
// test ends, so that no window or DDE service outlives its test.
using Job = toolkit::Job;

class Child {
 public:
  // Starts `cmdline` (program path first) with the given show command, inside `job`.
  Child(Job& job, const std::string& cmdline, WORD show = SW_SHOWNORMAL);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  DWORD pid() const { return pid_; }
  HANDLE process() const { return process_; }
  bool Running() const;
  // Waits for the process to end; returns false on timeout.
  bool WaitExit(Millis timeout, DWORD* exit_code = nullptr) const;
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Starts a Linux program from its command line ("Z:\\bin\\sh -c ..."); false when Wine could not
// start it. Wine gives back no handle of use for a Linux process (a wait on it fails at once),
// so it is neither waited for nor put in a job: its work shows in what it leaves behind.
bool StartLinuxProgram(std::string command_line);

// Polls `condition` every 20 ms (pumping this thread's messages) until it holds or time is up.
bool WaitUntil(const std::function<bool()>& condition, Millis timeout);

// The visible top-level window with this exact title, of process `pid` when pid is not 0.
HWND FindTopWindow(const std::string& title, DWORD pid = 0, bool visible_only = true);
HWND WaitForTopWindow(const std::string& title, Millis timeout, DWORD pid = 0);

std::string WindowText(HWND hwnd);

// Lines of a text file (a simulator's log); empty when it does not exist yet.
std::vector<std::string> ReadLines(const std::string& path);

// The per-user key of both programs' settings (under HKEY_CURRENT_USER).
inline constexpr char kVexalKey[] = "Software\\Vexal";

// Where Windows would run a program given as the unquoted C:\Program Files\... path: a test
// puts a program here to catch a start that lets Windows split the path.
inline constexpr char kDecoyProgram[] = "C:\\Program.exe";

// HKEY_CURRENT_USER\Software\Vexal, the bridge's only setting.
void SetProgramValue(const std::string& value, DWORD type = REG_SZ);
void SetProgramValueRaw(const void* data, DWORD size, DWORD type);
void DeleteVexalKey();

double SecondsSince(std::chrono::steady_clock::time_point start);

}  // namespace harness
