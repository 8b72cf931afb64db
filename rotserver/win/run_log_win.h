// RotServer's event log for tests, scripts and benchmarks (--log FILE): one line per event,
// "HH:MM:SS.mmm t=SECONDS.MICROS text", flushed at once so that a reader sees it while
// RotServer runs. `t` is the performance counter, comparable between processes on one machine.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace rotserver {

class RunLog {
 public:
  explicit RunLog(const std::string& path);  // empty: logs nothing
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  bool enabled() const { return file_ != nullptr; }
  void Line(const std::string& text);

 private:
  std::FILE* file_ = nullptr;
};

// Printable ASCII as is; \r \n \0 \\ and \xHH for the rest: bytes as a log shows them.
std::string Escaped(std::string_view bytes);

}  // namespace rotserver
