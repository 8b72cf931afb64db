// The turning direction from successive readings of a rotator that does not report it.
#pragma once

#include <optional>

namespace rotserver {

// -1, 1, or 0 once the azimuth has stayed within the dead band for `still_readings` readings.
// Slow movement adds up until it leaves the band.
class DirectionTracker {
 public:
  explicit DirectionTracker(int dead_band_tenths = 5, int still_readings = 2)
      : band_(dead_band_tenths), still_needed_(still_readings) {}
  int Update(int tenths);
  void Reset();

 private:
  int band_;
  int still_needed_;
  std::optional<int> anchor_;
  int direction_ = 0;
  int still_ = 0;
};

}  // namespace rotserver
