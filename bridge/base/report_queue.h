// The error reports of the program and its one error box: a report that comes while the box is
// open waits here, identical waiting reports are folded into one with a count, and at most
// kCapacity different ones wait. The box itself is the shell's (error_report_win.cpp).
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace vexal {

class ReportQueue {
 public:
  static constexpr std::size_t kCapacity = 32;

  // A new report. When kCapacity different reports wait already, it is not kept but counted,
  // and the next box says how many were left out.
  void Add(const std::string& text);

  // The text of the next box, which counts as open from now on; nothing while a box is open or
  // when no report waits. A report that came N times ends in a line "(N times)".
  std::optional<std::string> TakeNext();
  void BoxClosed() { box_open_ = false; }

  bool BoxOpen() const { return box_open_; }
  std::size_t Waiting() const { return waiting_.size(); }

 private:
  struct Report {
    std::string text;
    unsigned long long count;
  };

  std::deque<Report> waiting_;
  unsigned long long left_out_ = 0;
  bool box_open_ = false;
};

}  // namespace vexal
