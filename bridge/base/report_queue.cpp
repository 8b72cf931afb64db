#include "bridge/base/report_queue.h"

#include <algorithm>

#include "bridge/base/error_texts.h"

namespace vexal {

void ReportQueue::Add(const std::string& text) {
  auto same = std::find_if(waiting_.begin(), waiting_.end(),
                           [&](const Report& r) { return r.text == text; });
  if (same != waiting_.end()) {
    ++same->count;
  } else if (waiting_.size() < kCapacity) {
    waiting_.push_back({text, 1});
  } else {
    ++left_out_;
  }
}

std::optional<std::string> ReportQueue::TakeNext() {
  if (box_open_ || waiting_.empty()) return std::nullopt;
  Report next = std::move(waiting_.front());
  waiting_.pop_front();
  std::string text = std::move(next.text);
  if (next.count > 1) text += error_text::RepeatCountLine(next.count);
  if (left_out_ > 0) {
    text += error_text::LeftOutCountLine(left_out_);
    left_out_ = 0;
  }
  box_open_ = true;
  return text;
}

}  // namespace vexal
