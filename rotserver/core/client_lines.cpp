#include "rotserver/core/client_lines.h"

#include <algorithm>
#include <utility>

namespace rotserver {

void ClientLines::Add(std::string_view bytes) {
  while (!bytes.empty()) {
    std::size_t end = bytes.find('\n');
    std::string_view piece = bytes.substr(0, end);
    if (!skipping_) {
      partial_.append(piece.substr(0, bounds_.max_line + 1 - partial_.size()));
      if (partial_.size() > bounds_.max_line) {
        skipping_ = true;
        partial_.clear();
        ++dropped_;
      }
    }
    if (end == std::string_view::npos) return;
    if (!skipping_) waiting_.append(partial_).push_back('\n');
    partial_.clear();
    skipping_ = false;
    bytes.remove_prefix(end + 1);
  }
}

std::optional<std::string> ClientLines::Next(Millis now) {
  if (filled_at_)
    budget_ = std::min(bounds_.burst, budget_ + (now - *filled_at_) * bounds_.lines_per_s / 1000.0);
  filled_at_ = now;
  if (waiting_.empty()) {
    throttled_ = false;
    return std::nullopt;
  }
  if (budget_ < 1) {
    if (!throttled_) throttle_reported_ = false;
    throttled_ = true;
    return std::nullopt;
  }
  budget_ -= 1;
  std::size_t end = waiting_.find('\n');
  std::string line = waiting_.substr(0, end);
  waiting_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::size_t ClientLines::TakeDropped() {
  return std::exchange(dropped_, 0);
}

bool ClientLines::TakeThrottled() {
  if (!throttled_ || throttle_reported_) return false;
  throttle_reported_ = true;
  return true;
}

}  // namespace rotserver
