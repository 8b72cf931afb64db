// The event log of the test partners and of RotServer (--log FILE): one line per event,
// "HH:MM:SS.mmm t=SECONDS.MICROS text", flushed at once so that a test reads it while the
// program runs. The clock part is for people; `t` is the performance counter, which
// every process on one machine shares, so lines of two logs can be put in order or subtracted.
#pragma once

#include <cstdio>
#include <string>

namespace toolkit {

class LineLog {
 public:
  // kAppend adds to what an earlier run wrote; kTruncate starts the file afresh.
  enum class Open { kAppend, kTruncate };
  explicit LineLog(const std::string& path, Open open = Open::kAppend);  // empty: logs nothing
  ~LineLog();
  LineLog(const LineLog&) = delete;
  LineLog& operator=(const LineLog&) = delete;

  // False when no path was given or the file cannot be opened for appending.
  bool enabled() const { return file_ != nullptr; }
  // Writes one line; returns it stamped, as written but without the line break, also when
  // nothing is written (for a copy shown elsewhere).
  std::string Line(const std::string& text);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace toolkit
