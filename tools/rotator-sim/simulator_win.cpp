#include "simulator_win.h"

#include <algorithm>

#include "sim_mapping.h"
#include "wire/wire.h"

namespace rotsim {

namespace {

RotatorSim* the_sim = nullptr;
constexpr std::size_t kRecentReports = 4;

// The simulated rotator's own limits: its frame by range mode.
AzimuthLimits LimitsFor(unsigned range_mode) {
  return range_mode == 0 ? AzimuthLimits{-180, 180} : AzimuthLimits{0, 360};
}

}  // namespace

Motion StepToward(int azimuth, int target, int step) {
  if (target > azimuth) return {std::min(azimuth + step, target), 1};
  if (target < azimuth) return {std::max(azimuth - step, target), -1};
  return {azimuth, 0};
}

RotatorSim::RotatorSim(const Options& options, toolkit::LineLog& log)
    : options_(options),
      log_(log),
      status_(options.bridge_service.value_or("Logger32Vexal"), log, options.confirm),
      azimuth_(static_cast<int>(options.start_degrees) * 10),
      target_(azimuth_),
      off_(options.off) {
  the_sim = this;
}

RotatorSim::~RotatorSim() {
  if (timer_) KillTimer(nullptr, timer_);
  the_sim = nullptr;
}

void RotatorSim::Start() {
  UINT period = 1000 / std::max(1u, options_.rate_hz);
  timer_ = SetTimer(nullptr, 0, period, &RotatorSim::Tick);
  log_.Line("simulate speed=" + std::to_string(options_.speed_dps) +
            " rate=" + std::to_string(options_.rate_hz) +
            " range=" + std::to_string(options_.range_mode) + (options_.off ? " off" : ""));
}

void RotatorSim::Command(std::string_view bytes) {
  // Line 1 of a target command is the target in tenths; the greeting has none.
  if (auto target = CommandTarget(bytes)) Turn(*target);
}

void RotatorSim::Turn(int target_tenths) {
  TargetPlan plan = PlanTarget(target_tenths, LimitsFor(options_.range_mode), recent_);
  if (plan.kind == TargetPlan::Kind::kStop) {
    target_ = azimuth_;
    log_.Line("target " + std::to_string(target_tenths) + " stop at " + std::to_string(target_));
    return;
  }
  // Within its own limits a framed target always fits.
  target_ = TenthsFromDegrees(plan.azimuth);
  log_.Line("target " + std::to_string(target_));
}

void RotatorSim::SetOff(bool off) {
  off_ = off;
  log_.Line(off ? "switched off" : "switched on");
}

void CALLBACK RotatorSim::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (the_sim) the_sim->Report();
}

void RotatorSim::Report() {
  int step =
      std::max(1, static_cast<int>(options_.speed_dps * 10 / std::max(1u, options_.rate_hz)));
  if (!off_) {
    Motion m = StepToward(azimuth_, target_, step);
    azimuth_ = m.azimuth;
    direction_ = m.direction;
  } else {
    direction_ = 0;
  }
  std::string text = wire::StatusMacroText(off_ ? wire::kOffTenths : azimuth_,
                                           off_ ? 0 : direction_, options_.range_mode);
  StatusLink::Result result = status_.Send(text);
  if (result == StatusLink::Result::kNoBridge) return;
  if (result == StatusLink::Result::kRefused) ++refused_;
  if (!off_) {
    recent_.push_back(azimuth_);
    if (recent_.size() > kRecentReports) recent_.pop_front();
  }
  log_.Line("status az=" + std::to_string(off_ ? wire::kOffTenths : azimuth_) +
            " dir=" + std::to_string(direction_) + " result=" + ResultName(result));
}

}  // namespace rotsim
