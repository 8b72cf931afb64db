#include "logger_partner_win.h"

#include <string>

namespace logger32sim {

namespace {
constexpr WPARAM kRequest = 1;
constexpr WPARAM kSecond = 2;
constexpr WPARAM kThird = 3;
constexpr WPARAM kRelease = 4;
constexpr long kRepeat = 100;
}  // namespace

LoggerPartner::LoggerPartner(const SimOptions& options, EventLog& log)
    : options_(options), log_(log) {
  for (int k = 1; k <= 5; ++k)
    ids_[k - 1] = RegisterWindowMessageA(("Logger32 " + std::to_string(k)).c_str());
}

int LoggerPartner::NameOf(UINT message) const {
  for (int k = 1; k <= 5; ++k)
    if (ids_[k - 1] != 0 && ids_[k - 1] == message) return k;
  return 0;
}

bool LoggerPartner::OnLoggerMessage(int name, WPARAM wparam, LPARAM lparam) {
  log_.Message("recv", name, wparam, lparam);
  CheckProtocol(name, wparam, lparam);
  HangOnFirstMessage();
  switch (static_cast<int>(wparam)) {
    case kRequest:
      OnRequest(name, reinterpret_cast<HWND>(lparam));
      return false;
    case kSecond:
      if (name == name_) OnSecondRequest();
      return false;
    case kThird:
      if (name != name_) return false;
      OnThirdRequest();
      return !options_.silent;
    case kRelease:
      log_.Info("release on \"Logger32 " + std::to_string(name) + "\"");
      return false;
    default:
      return false;
  }
}

// A Logger32 that stops pumping messages while it handles a send: the sender's call blocks
// until its own time-out, and posted and sent messages pile up meanwhile.
void LoggerPartner::HangOnFirstMessage() {
  if (options_.hang_ms == 0 || hung_) return;
  hung_ = true;
  log_.Info("hang " + std::to_string(options_.hang_ms) + " ms");
  Sleep(options_.hang_ms);
  log_.Info("hang over");
}

// What a bridge may send: code 1 with its window once on each name, in the order 1 to 5; codes
// 2 and 3 on the name it opened last, 2 before 3; the release (4) after it opened a name.
void LoggerPartner::CheckProtocol(int name, WPARAM wparam, LPARAM lparam) {
  const std::string on = " on \"Logger32 " + std::to_string(name) + "\"";
  switch (static_cast<long>(wparam)) {
    case kRequest:
      if (name != requests_ + 1)
        log_.Violation("code 1" + on + " after " + std::to_string(requests_) + " names tried");
      if (lparam == 0) log_.Violation("code 1" + on + " without a window handle");
      requests_ = name;
      seconds_on_name_ = 0;
      break;
    case kSecond:
    case kThird:
      if (name != requests_)
        log_.Violation("code " + std::to_string(wparam) + on + ", not the name opened last");
      else if (wparam == kSecond)
        ++seconds_on_name_;
      else if (seconds_on_name_ == 0)
        log_.Violation("code 3" + on + " before any code 2");
      break;
    case kRelease:
      if (requests_ == 0) log_.Violation("release" + on + " before any name was opened");
      break;
    default:
      log_.Violation("unknown code " + std::to_string(wparam) + on);
  }
}

void LoggerPartner::OnRequest(int name, HWND bridge) {
  // The request's lParam tells where replies go; it is also where turn requests go later.
  bridge_ = bridge;
  name_ = name;
  if (options_.silent) return;
  if (options_.refused_names.count(name))
    PostToBridge(0, 0);
  else
    PostToBridge(options_.first_reply_wparam, options_.first_reply_lparam);
}

void LoggerPartner::OnSecondRequest() {
  if (options_.silent || code2_seen_ >= options_.hundred_first) return;
  ++code2_seen_;
  PostToBridge(kRepeat, 0);
}

void LoggerPartner::OnThirdRequest() {
  if (options_.silent) return;
  for (long reply : options_.reply_phase) PostToBridge(reply, 0);
}

bool LoggerPartner::HaveBridge() {
  if (bridge_ && name_) return true;
  log_.Info("no bridge has sent code 1 yet");
  return false;
}

bool LoggerPartner::PostToBridge(long wparam, long lparam) {
  if (!HaveBridge()) return false;
  // Sign-extend lParam, as a 32-bit sender would, so that -1 arrives as -1.
  if (!PostMessageA(bridge_, ids_[name_ - 1], static_cast<WPARAM>(static_cast<unsigned>(wparam)),
                    static_cast<LPARAM>(lparam))) {
    log_.Info("post failed, error " + std::to_string(GetLastError()));
    return false;
  }
  log_.Message("post", name_, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
  return true;
}

bool LoggerPartner::SendToBridge(long wparam, long lparam) {
  if (!HaveBridge()) return false;
  DWORD_PTR result = 0;
  log_.Message("send", name_, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
  if (!SendMessageTimeoutA(bridge_, ids_[name_ - 1],
                           static_cast<WPARAM>(static_cast<unsigned>(wparam)),
                           static_cast<LPARAM>(lparam), SMTO_ABORTIFHUNG, 5000, &result)) {
    log_.Info("send failed, error " + std::to_string(GetLastError()));
    return false;
  }
  return true;
}

}  // namespace logger32sim
