// The event log of the test partners and of RotServer (--log FILE): one line per event,
// "HH:MM:SS.mmm t=SECONDS.MICROS text", appended and flushed at once so that a test reads it
// while the program runs. The clock part is for people; `t` is the performance counter, which
// every process on one machine shares, so lines of two logs can be put in order or subtracted.
#pragma once

#include <cstdio>
#include <string>

namespace toolkit {

class LineLog {
 public:
  explicit LineLog(const std::string& path);  // empty: logs nothing
  ~LineLog();
  LineLog(const LineLog&) = delete;
  LineLog& operator=(const LineLog&) = delete;

  // False when no path was given or the file cannot be opened for appending.
  bool enabled() const { return file_ != nullptr; }
  void Line(const std::string& text);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace toolkit
