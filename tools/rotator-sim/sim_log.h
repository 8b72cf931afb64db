// The simulator's log: one line per event, with the time, flushed at once so that a test can
// read it while the simulator runs.
#pragma once

#include <cstdio>
#include <string>

namespace rotsim {

class SimLog {
 public:
  explicit SimLog(const std::string& path);  // empty path: log nothing
  ~SimLog();
  SimLog(const SimLog&) = delete;
  SimLog& operator=(const SimLog&) = delete;

  void Line(const std::string& text);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace rotsim
