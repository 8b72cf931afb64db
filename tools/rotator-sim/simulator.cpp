#include "simulator.h"

#include <algorithm>
#include <charconv>

namespace rotsim {

namespace {

RotatorSim* the_sim = nullptr;

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

}  // namespace

Motion StepToward(int azimuth, int target, int step) {
  if (target > azimuth) return {std::min(azimuth + step, target), 1};
  if (target < azimuth) return {std::max(azimuth - step, target), -1};
  return {azimuth, 0};
}

std::vector<std::string> StatusLines(int azimuth_tenths, int direction, int range_mode, bool off) {
  return {off ? "-100000" : std::to_string(azimuth_tenths),
          "0",
          std::to_string(off ? 0 : direction),
          "0",
          "0",
          "0",
          std::to_string(range_mode),
          "0",
          "0",
          "0"};
}

RotatorSim::RotatorSim(const Options& options, SimLog& log)
    : options_(options),
      log_(log),
      azimuth_(static_cast<int>(options.start_degrees) * 10),
      target_(azimuth_) {
  the_sim = this;
}

RotatorSim::~RotatorSim() {
  if (timer_) KillTimer(nullptr, timer_);
  if (conv_) DdeDisconnect(conv_);
  if (inst_) DdeUninitialize(inst_);
  the_sim = nullptr;
}

void RotatorSim::Start() {
  DdeInitializeA(&inst_, &NoCallback, APPCMD_CLIENTONLY, 0);
  UINT period = 1000 / std::max(1u, options_.rate_hz);
  timer_ = SetTimer(nullptr, 0, period, &RotatorSim::Tick);
  log_.Line("simulate speed=" + std::to_string(options_.speed_dps) +
            " rate=" + std::to_string(options_.rate_hz) +
            " range=" + std::to_string(options_.range_mode) + (options_.off ? " off" : ""));
}

void RotatorSim::Command(std::string_view bytes) {
  // Line 1 of a target command is the target in tenths; the greeting has none.
  std::string_view first = bytes.substr(0, bytes.find_first_of(std::string_view("\r\n\0", 3)));
  int target = 0;
  auto [end, error] = std::from_chars(first.data(), first.data() + first.size(), target);
  if (error != std::errc() || end != first.data() + first.size() || first.empty()) return;
  target_ = target;
  log_.Line("target " + std::to_string(target_));
}

void CALLBACK RotatorSim::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (the_sim) the_sim->Report();
}

bool RotatorSim::EnsureLink() {
  if (conv_) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conv_, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED)) return true;
    DdeDisconnect(conv_);
    conv_ = nullptr;
    log_.Line("status link down");
  }
  HSZ service = DdeCreateStringHandleA(inst_, options_.bridge_service.c_str(), CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(inst_, "AntDaten", CP_WINANSI);
  conv_ = DdeConnect(inst_, service, topic, nullptr);
  DdeFreeStringHandle(inst_, service);
  DdeFreeStringHandle(inst_, topic);
  if (conv_) log_.Line("status link up service=" + options_.bridge_service);
  return conv_ != nullptr;
}

void RotatorSim::Report() {
  int step =
      std::max(1, static_cast<int>(options_.speed_dps * 10 / std::max(1u, options_.rate_hz)));
  Motion m = StepToward(azimuth_, target_, step);
  azimuth_ = m.azimuth;
  direction_ = m.direction;
  if (!EnsureLink()) return;
  std::string text;
  for (const auto& line : StatusLines(azimuth_, direction_, options_.range_mode, options_.off))
    text += line + "\r\n";
  // Asynchronous, as the bridge sends its commands: a synchronous wait here would hold up
  // every DDE connect broadcast, and one that times out spoils the next reply.
  HDDEDATA data = DdeCreateDataHandle(inst_, reinterpret_cast<LPBYTE>(text.data()),
                                      static_cast<DWORD>(text.size() + 1), 0, nullptr, CF_TEXT, 0);
  DWORD transaction = 0;
  HDDEDATA ok =
      data ? DdeClientTransaction(reinterpret_cast<LPBYTE>(data), 0xFFFFFFFF, conv_, nullptr,
                                  CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction)
           : nullptr;
  if (ok) DdeAbandonTransaction(inst_, conv_, 0);
  log_.Line("status az=" + std::to_string(options_.off ? -100000 : azimuth_) +
            " dir=" + std::to_string(direction_) + " result=" + (ok ? "sent" : "refused"));
}

}  // namespace rotsim
