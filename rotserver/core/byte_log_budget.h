// How much of rotctld's traffic the --log file takes: everything at a daemon's usual pace, a
// bounded share of a stream (a program at rotctld's address that sends as fast as it can would
// otherwise fill the disk at tens of megabytes a second). What is left out is counted, so the
// log can say so. No Win32 here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rotserver {

class ByteLogBudget {
 public:
  explicit ByteLogBudget(std::size_t bytes_per_window = 32 * 1024, std::int64_t window_ms = 1000)
      : budget_(bytes_per_window), window_ms_(window_ms) {}

  // Whether `size` bytes arriving at `now` go to the log (whole chunks, never cut); counted as
  // left out otherwise.
  bool Allow(std::size_t size, std::int64_t now);
  // The bytes left out in windows that have ended by `now`, once: the log says so and the
  // count starts again.
  std::size_t TakeLeftOut(std::int64_t now);

 private:
  void Roll(std::int64_t now);

  std::size_t budget_;
  std::int64_t window_ms_;
  std::int64_t window_start_ = 0;
  bool started_ = false;
  std::size_t used_ = 0;
  std::size_t left_out_ = 0;      // in windows that have ended
  std::size_t left_out_now_ = 0;  // in the current window
};

}  // namespace rotserver
