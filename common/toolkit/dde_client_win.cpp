#include "toolkit/dde_client_win.h"

#include <cstdio>

#include "wine/wine_dde_win.h"

namespace toolkit {

namespace {

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

}  // namespace

DdeClient::DdeClient(std::optional<std::string> service, std::optional<std::string> topic) {
  if (DdeInitializeA(&inst_, NoCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    inst_ = 0;
    return;
  }
  if (service) service_ = DdeCreateStringHandleA(inst_, service->c_str(), CP_WINANSI);
  if (topic) topic_ = DdeCreateStringHandleA(inst_, topic->c_str(), CP_WINANSI);
  names_ok_ = (!service || service_) && (!topic || topic_);
}

DdeClient::~DdeClient() {
  Disconnect();
  if (!inst_) return;
  for (HSZ h : {service_, topic_})
    if (h) DdeFreeStringHandle(inst_, h);
  DdeUninitialize(inst_);
}

const char* DdeClient::SetupError() const {
  if (!inst_) return "no-instance";
  if (!names_ok_) return "no-string-handle";
  return nullptr;
}

bool DdeClient::Connect(DWORD retry_ms, const CONVCONTEXT* context) {
  Disconnect();
  if (SetupError()) return false;
  const ULONGLONG deadline = GetTickCount64() + retry_ms;
  for (;;) {
    conv_ = DdeConnect(inst_, service_, topic_, const_cast<CONVCONTEXT*>(context));
    if (conv_ || GetTickCount64() >= deadline) return conv_ != nullptr;
    Sleep(100);
  }
}

void DdeClient::Disconnect() {
  if (conv_) DdeDisconnect(conv_);
  conv_ = nullptr;
}

bool DdeClient::Up() const {
  CONVINFO info{};
  info.cb = sizeof info;
  return conv_ && DdeQueryConvInfo(conv_, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED);
}

DdeClient::Partner DdeClient::PartnerNames() const {
  CONVINFO info{};
  info.cb = sizeof info;
  if (!conv_ || !DdeQueryConvInfo(conv_, QID_SYNC, &info)) return {};
  return {Name(info.hszSvcPartner), Name(info.hszTopic)};
}

std::string DdeClient::Name(HSZ hsz) const {
  char buf[256] = "";
  if (hsz) DdeQueryStringA(inst_, hsz, buf, sizeof buf, CP_WINANSI);
  return buf;
}

DdeClient::Answer DdeClient::Execute(std::string_view bytes, DWORD timeout_ms) {
  Answer answer;
  HDDEDATA result = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data())),
                                         static_cast<DWORD>(bytes.size()), conv_, nullptr, CF_TEXT,
                                         XTYP_EXECUTE, timeout_ms, &answer.status);
  answer.returned = result != nullptr;
  if (!answer.returned) answer.error = LastError();
  return answer;
}

DdeClient::Queued DdeClient::ExecuteAsync(std::string_view bytes) {
  Queued queued;
  // Through a data handle: an asynchronous transaction may outlive the caller's bytes.
  HDDEDATA handle =
      DdeCreateDataHandle(inst_, reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data())),
                          static_cast<DWORD>(bytes.size()), 0, nullptr, CF_TEXT, 0);
  DWORD status = 0;
  queued.queued = handle && DdeClientTransaction(reinterpret_cast<LPBYTE>(handle), 0xFFFFFFFF,
                                                 conv_, nullptr, CF_TEXT, XTYP_EXECUTE,
                                                 TIMEOUT_ASYNC, &status) != nullptr;
  if (handle) winedde::ReleaseSentExecuteData(handle);
  if (queued.queued)
    winedde::AbandonCompletedExecutes(inst_, conv_);
  else
    queued.error = LastError();
  return queued;
}

DdeClient::Reply DdeClient::Transact(UINT type, const std::string& item, std::string_view data,
                                     DWORD timeout_ms, UINT format) {
  Reply reply;
  HSZ item_handle = DdeCreateStringHandleA(inst_, item.c_str(), CP_WINANSI);
  LastError();  // cleared, so that the error read below is this transaction's
  HDDEDATA result = DdeClientTransaction(
      data.empty() ? nullptr : reinterpret_cast<LPBYTE>(const_cast<char*>(data.data())),
      static_cast<DWORD>(data.size()), conv_, item_handle, format, type, timeout_ms,
      &reply.status);
  reply.error = LastError();
  reply.returned = result != nullptr;
  // Only a request returns a data handle; the others return TRUE.
  if (result && type == XTYP_REQUEST) {
    DWORD size = DdeGetData(result, nullptr, 0, 0);
    reply.data.resize(size);
    if (size) DdeGetData(result, reinterpret_cast<LPBYTE>(reply.data.data()), size, 0);
    DdeFreeDataHandle(result);
  }
  if (item_handle) DdeFreeStringHandle(inst_, item_handle);
  return reply;
}

std::string DdeErrorName(UINT code) {
  switch (code) {
    case DMLERR_NO_CONV_ESTABLISHED:
      return "no conversation established";
    case DMLERR_EXECACKTIMEOUT:
      return "execute acknowledgement timed out";
    case DMLERR_NOTPROCESSED:
      return "not processed";
    case DMLERR_SERVER_DIED:
      return "server died";
    case DMLERR_NO_ERROR:
      return "no error";
    default:
      break;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "DDEML error 0x%X", code);
  return buf;
}

}  // namespace toolkit
