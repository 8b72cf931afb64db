// What a supervised program (rotctld) prints on its standard output and error, as lines: every
// line for the log, the last few kept, and the last one that reports an error for the status
// line, since rotctld tells why it stops ("rot_open: error = IO error") only there. No Win32.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace rotserver {

class ChildOutput {
 public:
  static constexpr std::size_t kKeptLines = 20;
  // A longer line is cut here and the rest taken as the next line: memory stays bounded
  // however the program writes.
  static constexpr std::size_t kMaxLineLength = 300;

  // Bytes as they came, in any pieces; the lines they completed (CR, LF and CR LF end one;
  // empty lines are dropped; control characters become '?'), for the log.
  std::vector<std::string> Add(std::string_view bytes);
  // The program has ended: its last line even without a line end.
  std::vector<std::string> Finish();
  // The program starts again: what it said before is forgotten.
  void Clear();

  // The last kept line that reports a fault (it says "error", "fail", "cannot", "unable",
  // "invalid", "denied" or "not found", in any letter case); else the last line; empty when
  // nothing was said.
  std::string LastErrorLine() const;

 private:
  void Complete(std::vector<std::string>& done);

  std::deque<std::string> lines_;
  std::string partial_;
};

// The file name of a program's path: "rotctld.exe" for "C:\\Hamlib\\bin\\rotctld.exe".
std::string ProgramFile(std::string_view path);

// Why a program ended, in words, where Windows itself set the exit code because the program
// could not start (a DLL missing, of another version or for another Windows) or crashed:
// "rotctld.exe could not start: a DLL it needs is missing (0xC0000135); keep rotctld.exe in
// Hamlib's bin folder beside its DLLs". Empty for the program's own exit codes.
std::string SystemExitWords(std::string_view program_path, unsigned long code);

}  // namespace rotserver
