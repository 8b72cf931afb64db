#include "bridge/dde/wine_win.h"

#include <dde.h>

#include <exception>
#include <stdexcept>
#include <utility>

#include "bridge/base/error_report_win.h"
#include "bridge/base/error_texts.h"

namespace vexal::dde {

namespace {

// The follow-up after XTYP_UNREGISTER: Wine then only marks our conversation once the
// partner's terminate has come, some time later.
constexpr UINT kFollowUpIntervalMs = 100;
constexpr int kFollowUpTicks = 50;

PartnerGoneWatch* instance = nullptr;

}  // namespace

PartnerGoneWatch::PartnerGoneWatch(std::function<void()> check, std::function<bool()> any_open)
    : check_(std::move(check)), any_open_(std::move(any_open)) {
  if (instance) throw std::logic_error("a second partner-gone watch");
  instance = this;
}

PartnerGoneWatch::~PartnerGoneWatch() {
  StopFollowUp();
  instance = nullptr;
}

PartnerGoneWatch* PartnerGoneWatch::Instance() {
  return instance;
}

void PartnerGoneWatch::MessageDispatched(const MSG& msg) {
  // The terminate message that Wine does not turn into XTYP_DISCONNECT has just been handled:
  // the conversation is marked by now.
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
    PostErrorReport(e.what());
  } catch (...) {
    PostErrorReport(error_text::kUnknownDdeError);
  }
  if (!any_open_() || --ticks_left_ <= 0) StopFollowUp();
}

void PartnerGoneWatch::StopFollowUp() {
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
}

}  // namespace vexal::dde
