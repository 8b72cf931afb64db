#include "rotserver/core/direction_tracker.h"

#include <cstdlib>

namespace rotserver {

int DirectionTracker::Update(int tenths) {
  if (!anchor_) {
    anchor_ = tenths;
    return direction_;
  }
  int moved = tenths - *anchor_;
  if (std::abs(moved) >= band_) {
    direction_ = moved > 0 ? 1 : -1;
    anchor_ = tenths;
    still_ = 0;
  } else if (++still_ >= still_needed_) {
    direction_ = 0;
  }
  return direction_;
}

void DirectionTracker::Reset() {
  anchor_.reset();
  direction_ = 0;
  still_ = 0;
}

}  // namespace rotserver
