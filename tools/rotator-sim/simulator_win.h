// The simulated rotator: turns toward the last target received on the command topic and
// reports its state to the bridge as status macros on "AntDaten" a few times a second.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "options_win.h"
#include "server_mode_win.h"
#include "toolkit/line_log_win.h"
#include "status_link_win.h"

namespace rotsim {

// One step of the motion, in tenths of a degree.
struct Motion {
  int azimuth;
  int direction;  // -1 left, 1 right, 0 standing
};
Motion StepToward(int azimuth, int target, int step);

class RotatorSim : public CommandSink {
 public:
  RotatorSim(const Options& options, toolkit::LineLog& log);
  ~RotatorSim() override;

  void Start();  // begins the periodic reports on this thread's message loop
  void Command(std::string_view bytes) override;
  bool PartnerBehaved() const override { return refused_ == 0; }

  // Run-time commands: switched off or on, a target in tenths.
  void SetOff(bool off);
  void Turn(int target_tenths);

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Report();

  const Options& options_;
  toolkit::LineLog& log_;
  StatusLink status_;
  int azimuth_;
  int target_;
  int direction_ = 0;
  bool off_;
  std::deque<int> recent_;  // azimuths reported lately, for stop requests
  unsigned refused_ = 0;
  UINT_PTR timer_ = 0;
};

}  // namespace rotsim
