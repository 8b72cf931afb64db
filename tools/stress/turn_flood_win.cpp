#include "turn_flood_win.h"

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

int RunTurns(const Options& options, Report& report) {
  const long long count = options.Number("--count", 1, 0, kMaxCount);
  const long long modulo = options.Number("--modulo", 361, 1, kMaxCount);
  TurnPoster poster;
  if (!poster.Open(options.Text("--window"), options.Text("--message"))) {
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
