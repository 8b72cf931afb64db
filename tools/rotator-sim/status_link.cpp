#include "status_link.h"
#include "wire/wire.h"

namespace rotsim {

namespace {

constexpr DWORD kConfirmTimeoutMs = 2000;

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

std::string QueryName(DWORD inst, HSZ hsz) {
  char buf[256] = "";
  if (hsz) DdeQueryStringA(inst, hsz, buf, sizeof buf, CP_WINANSI);
  return buf;
}

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

StatusLink::StatusLink(std::optional<std::string> service, SimLog& log, bool confirm)
    : service_(std::move(service)), log_(log), confirm_(confirm) {
  if (DdeInitializeA(&inst_, &NoCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    inst_ = 0;
    log_.Line("error DdeInitialize failed for the status link");
  }
}

StatusLink::~StatusLink() {
  Disconnect();
  if (inst_) DdeUninitialize(inst_);
}

void StatusLink::Disconnect() {
  if (conv_) DdeDisconnect(conv_);
  conv_ = nullptr;
}

bool StatusLink::Up() {
  if (!conv_) return false;
  CONVINFO info{};
  info.cb = sizeof info;
  return DdeQueryConvInfo(conv_, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED);
}

bool StatusLink::EnsureConnected() {
  if (!inst_) return false;
  if (conv_) {
    if (Up()) return true;
    Disconnect();
    log_.Line("status link down");
  }
  HSZ service = service_ ? DdeCreateStringHandleA(inst_, service_->c_str(), CP_WINANSI) : nullptr;
  HSZ topic = DdeCreateStringHandleA(inst_, wire::kStatusTopic, CP_WINANSI);
  conv_ = DdeConnect(inst_, service, topic, nullptr);
  if (service) DdeFreeStringHandle(inst_, service);
  DdeFreeStringHandle(inst_, topic);
  if (conv_) {
    CONVINFO info{};
    info.cb = sizeof info;
    std::string partner = service_.value_or("");
    if (!service_ && DdeQueryConvInfo(conv_, QID_SYNC, &info))
      partner = QueryName(inst_, info.hszSvcPartner);
    log_.Line("status link up service=" + partner);
  }
  return conv_ != nullptr;
}

StatusLink::Result StatusLink::Send(const std::string& text) {
  if (!EnsureConnected()) return Result::kNoBridge;
  std::string data = text + '\0';
  DWORD flags = 0;
  if (confirm_) {
    HDDEDATA ok =
        DdeClientTransaction(reinterpret_cast<LPBYTE>(data.data()), static_cast<DWORD>(data.size()),
                             conv_, nullptr, CF_TEXT, XTYP_EXECUTE, kConfirmTimeoutMs, &flags);
    if (ok) return Result::kAcknowledged;
    if (DdeGetLastError(inst_) == DMLERR_EXECACKTIMEOUT) Disconnect();
    return Result::kRefused;
  }
  HDDEDATA handle = DdeCreateDataHandle(inst_, reinterpret_cast<LPBYTE>(data.data()),
                                        static_cast<DWORD>(data.size()), 0, nullptr, CF_TEXT, 0);
  HDDEDATA ok = handle ? DdeClientTransaction(reinterpret_cast<LPBYTE>(handle), 0xFFFFFFFF, conv_,
                                              nullptr, CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &flags)
                       : nullptr;
  if (ok) DdeAbandonTransaction(inst_, conv_, 0);
  return ok ? Result::kSent : Result::kRefused;
}

}  // namespace rotsim
