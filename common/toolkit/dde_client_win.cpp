#include "toolkit/dde_client_win.h"

#include <cstdio>

namespace toolkit {

namespace {

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

}  // namespace

DdeClient::DdeClient(const std::string& service, const std::string& topic) {
  if (DdeInitializeA(&inst_, NoCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    inst_ = 0;
    return;
  }
  service_ = DdeCreateStringHandleA(inst_, service.c_str(), CP_WINANSI);
  topic_ = DdeCreateStringHandleA(inst_, topic.c_str(), CP_WINANSI);
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
  if (!service_ || !topic_) return "no-string-handle";
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

DdeClient::Answer DdeClient::Execute(std::string_view bytes, DWORD timeout_ms) {
  Answer answer;
  HDDEDATA result = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data())),
                                         static_cast<DWORD>(bytes.size()), conv_, nullptr, CF_TEXT,
                                         XTYP_EXECUTE, timeout_ms, &answer.status);
  answer.returned = result != nullptr;
  if (!answer.returned) answer.error = LastError();
  return answer;
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
