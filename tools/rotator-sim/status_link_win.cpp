#include "status_link_win.h"
#include "wire/wire.h"

namespace rotsim {

namespace {

constexpr DWORD kConfirmTimeoutMs = 2000;

}  // namespace

const char* ResultName(StatusLink::Result result) {
  switch (result) {
    case StatusLink::Result::kSent:
      return "sent";
    case StatusLink::Result::kAcknowledged:
      return "ack";
    case StatusLink::Result::kRefused:
      return "refused";
    default:
      return "nobridge";
  }
}

StatusLink::StatusLink(std::optional<std::string> service, toolkit::LineLog& log, bool confirm)
    : service_(std::move(service)),
      log_(log),
      confirm_(confirm),
      dde_(service_, std::string(wire::kStatusTopic)) {
  if (const char* error = dde_.SetupError())
    log_.Line(std::string(error) == "no-instance"
                  ? "error DdeInitialize failed for the status link"
                  : "error the status link's service name is no DDE name");
}

StatusLink::~StatusLink() = default;

bool StatusLink::EnsureConnected() {
  if (dde_.SetupError()) return false;
  if (dde_.conv()) {
    if (Up()) return true;
    Disconnect();
    log_.Line("status link down");
  }
  if (!dde_.Connect()) return false;
  std::string partner = service_ ? *service_ : dde_.PartnerNames().service;
  log_.Line("status link up service=" + partner);
  return true;
}

StatusLink::Result StatusLink::Send(const std::string& text) {
  if (!EnsureConnected()) return Result::kNoBridge;
  // With its terminating zero: c_str() holds one past size().
  std::string_view data(text.c_str(), text.size() + 1);
  if (confirm_) {
    ddeml::Client::Answer answer = dde_.Execute(data, kConfirmTimeoutMs);
    if (answer.returned) return Result::kAcknowledged;
    if (answer.error == DMLERR_EXECACKTIMEOUT) Disconnect();
    return Result::kRefused;
  }
  return dde_.ExecuteAsync(data).queued ? Result::kSent : Result::kRefused;
}

}  // namespace rotsim
