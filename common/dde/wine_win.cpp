#include "dde/wine_win.h"

#include <dde.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <utility>

namespace ddeml {

namespace {

// The follow-up after XTYP_UNREGISTER: Wine marks our conversation only once the partner's
// terminate has come, some time later.
constexpr UINT kFollowUpIntervalMs = 100;
constexpr int kFollowUpTicks = 50;

PartnerGoneWatch* watch_instance = nullptr;

// The classes of DDEML's client conversation windows in Wine: WineDdeClientA and ...W.
bool IsDdeClientWindow(HWND hwnd) {
  char name[32] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return std::strncmp(name, "WineDdeClient", 13) == 0;
}

struct FoundWindows {
  std::vector<HWND> windows;
  bool complete = true;
};

FoundWindows ThreadDdeClientWindows() {
  FoundWindows found;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* found = reinterpret_cast<FoundWindows*>(data);
        try {
          if (IsDdeClientWindow(hwnd)) found->windows.push_back(hwnd);
          return TRUE;
        } catch (...) {  // out of memory
          found->complete = false;
          return FALSE;
        }
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

bool ConversationUp(HCONV conv) {
  CONVINFO info{};
  info.cb = sizeof info;
  return conv && DdeQueryConvInfo(conv, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED);
}

PartnerGoneWatch::PartnerGoneWatch(std::function<void()> check, std::function<bool()> any_open,
                                   std::function<void(const char*)> report)
    : check_(std::move(check)), any_open_(std::move(any_open)), report_(std::move(report)) {
  if (watch_instance) throw std::logic_error("a second partner-gone watch");
  watch_instance = this;
}

PartnerGoneWatch::~PartnerGoneWatch() {
  StopFollowUp();
  watch_instance = nullptr;
}

PartnerGoneWatch* PartnerGoneWatch::Instance() {
  return watch_instance;
}

void PartnerGoneWatch::MessageDispatched(const MSG& msg) {
  // The terminate that Wine does not turn into XTYP_DISCONNECT has just been handled: the
  // conversation is marked by now.
  if (msg.message == WM_DDE_TERMINATE) check_();
}

void PartnerGoneWatch::PartnerUnregistered() {
  ticks_left_ = kFollowUpTicks;
  if (!timer_) timer_ = SetTimer(nullptr, 0, kFollowUpIntervalMs, &PartnerGoneWatch::FollowUpTimer);
}

void CALLBACK PartnerGoneWatch::FollowUpTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (PartnerGoneWatch* watch = Instance()) watch->FollowUp();
}

void PartnerGoneWatch::FollowUp() {
  try {
    check_();
  } catch (const std::exception& e) {
    if (report_) report_(e.what());
  } catch (...) {
    if (report_) report_(nullptr);
  }
  if (!any_open_() || --ticks_left_ <= 0) StopFollowUp();
}

void PartnerGoneWatch::StopFollowUp() {
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
}

bool TerminateFromServer(HCONV conv) {
  CONVINFO info{};
  info.cb = sizeof info;
  if (!conv || !DdeQueryConvInfo(conv, QID_SYNC, &info)) return false;
  if (!RunningOnWine()) return DdeDisconnect(conv) != FALSE;
  PostMessageA(info.hwndPartner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(info.hwnd), 0);
  return true;
}

ConnectAttempt::ConnectAttempt() {
  if (!RunningOnWine()) return;
  FoundWindows found = ThreadDdeClientWindows();
  known_ = found.complete;
  before_ = std::move(found.windows);
}

void ConnectAttempt::Failed() {
  // Without a complete list from before, a window of a live conversation could look new.
  if (!known_) return;
  FoundWindows after = ThreadDdeClientWindows();
  for (HWND hwnd : after.windows)
    if (std::find(before_.begin(), before_.end(), hwnd) == before_.end()) DestroyWindow(hwnd);
}

}  // namespace ddeml
