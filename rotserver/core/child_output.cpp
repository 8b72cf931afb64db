#include "rotserver/core/child_output.h"

#include <algorithm>
#include <cctype>

namespace rotserver {

namespace {

bool ReportsFault(const std::string& line) {
  static const char* const kWords[] = {"error",   "fail",   "cannot",   "unable",
                                       "invalid", "denied", "not found"};
  std::string lower(line.size(), '\0');
  std::transform(line.begin(), line.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::any_of(std::begin(kWords), std::end(kWords),
                     [&](const char* word) { return lower.find(word) != std::string::npos; });
}

}  // namespace

void ChildOutput::Complete(std::vector<std::string>& done) {
  if (partial_.empty()) return;
  done.push_back(partial_);
  lines_.push_back(std::move(partial_));
  partial_.clear();
  if (lines_.size() > kKeptLines) lines_.pop_front();
}

std::vector<std::string> ChildOutput::Add(std::string_view bytes) {
  std::vector<std::string> done;
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      Complete(done);
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    partial_.push_back(byte < 0x20 && c != '\t' ? '?' : c);
    if (partial_.size() >= kMaxLineLength) Complete(done);
  }
  return done;
}

std::vector<std::string> ChildOutput::Finish() {
  std::vector<std::string> done;
  Complete(done);
  return done;
}

void ChildOutput::Clear() {
  lines_.clear();
  partial_.clear();
}

std::string ChildOutput::LastErrorLine() const {
  auto fault = std::find_if(lines_.rbegin(), lines_.rend(), ReportsFault);
  if (fault != lines_.rend()) return *fault;
  return lines_.empty() ? std::string() : lines_.back();
}

}  // namespace rotserver
