#include "turn_flood.h"

namespace stress {

namespace {
constexpr WPARAM kTurnRequest = 101;
constexpr DWORD kRetryPauseMs = 5;
constexpr ULONGLONG kGiveUpMs = 60000;
}  // namespace

bool TurnPoster::Open(const std::string& window_title, const std::string& message_name) {
  window_ = FindWindowA(nullptr, window_title.c_str());
  message_ = RegisterWindowMessageA(message_name.c_str());
  return window_ != nullptr && message_ != 0;
}

bool TurnPoster::Post(long azimuth) {
  const ULONGLONG give_up = GetTickCount64() + kGiveUpMs;
  while (!PostMessageA(window_, message_, kTurnRequest, azimuth)) {
    if (!IsWindow(window_) || GetTickCount64() > give_up) return false;
    ++retries_;
    Sleep(kRetryPauseMs);
  }
  return true;
}

int RunTurns(const Command& command, Report& report) {
  bool bad = false;
  const long long count = command.Number("count", 1, &bad);
  const long long modulo = command.Number("modulo", 361, &bad);
  if (bad || count < 0 || modulo <= 0) {
    report.Add("error", "bad-number");
    return 3;
  }
  TurnPoster poster;
  if (!poster.Open(command.Text("window"), command.Text("message"))) {
    report.Add("error", "no-window");
    return 1;
  }
  const ULONGLONG start = GetTickCount64();
  long long posted = 0, last_valid = -1;
  for (long long i = 0; i < count; ++i) {
    const long azimuth = static_cast<long>(i % modulo);
    if (!poster.Post(azimuth)) break;
    ++posted;
    if (azimuth <= 360) last_valid = azimuth;
  }
  report.Add("posted", posted)
      .Add("retries", poster.retries())
      .Add("last-valid", last_valid)
      .Add("ms", static_cast<long long>(GetTickCount64() - start));
  return posted == count ? 0 : 2;
}

}  // namespace stress
