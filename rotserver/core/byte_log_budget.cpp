#include "rotserver/core/byte_log_budget.h"

namespace rotserver {

void ByteLogBudget::Roll(std::int64_t now) {
  if (started_ && now - window_start_ < window_ms_) return;
  started_ = true;
  window_start_ = now;
  used_ = 0;
  left_out_ += left_out_now_;
  left_out_now_ = 0;
}

bool ByteLogBudget::Allow(std::size_t size, std::int64_t now) {
  Roll(now);
  if (used_ + size > budget_ && used_ > 0) {
    left_out_now_ += size;
    return false;
  }
  // A first chunk larger than the whole budget still goes in: one read is bounded anyway.
  used_ += size;
  return true;
}

std::size_t ByteLogBudget::TakeLeftOut(std::int64_t now) {
  Roll(now);
  std::size_t left_out = left_out_;
  left_out_ = 0;
  return left_out;
}

}  // namespace rotserver
