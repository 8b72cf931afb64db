#include "dde_client.h"

#include <cstdio>
#include <stdexcept>

#include "wire/wire.h"

namespace bench {

namespace {

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

}  // namespace

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

DdeClient::DdeClient(const std::string& service, const std::string& topic) {
  if (DdeInitializeA(&inst_, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
    throw std::runtime_error("DdeInitialize failed");
  service_ = DdeCreateStringHandleA(inst_, service.c_str(), CP_WINANSI);
  topic_ = DdeCreateStringHandleA(inst_, topic.c_str(), CP_WINANSI);
}

DdeClient::~DdeClient() {
  Disconnect();
  if (service_) DdeFreeStringHandle(inst_, service_);
  if (topic_) DdeFreeStringHandle(inst_, topic_);
  DdeUninitialize(inst_);
}

bool DdeClient::Connect(DWORD ms) {
  Disconnect();
  ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    conv_ = DdeConnect(inst_, service_, topic_, nullptr);
    if (conv_ || GetTickCount64() >= deadline) return conv_ != nullptr;
    Sleep(100);
  }
}

void DdeClient::Disconnect() {
  if (conv_) DdeDisconnect(conv_);
  conv_ = nullptr;
}

std::string ConstantStatusMacro() {
  return wire::StatusMacroText(1234, 0, 0);
}

std::string TurningStatusMacro(long i) {
  long degrees = (i % 360) * 13 % 360;
  return wire::StatusMacroText(degrees * 10, i % 2 ? 1 : -1, 0);
}

Answer ExecuteStatusMacro(DdeClient& client, DWORD timeout_ms) {
  return ExecuteMacro(client, ConstantStatusMacro(), timeout_ms);
}

Answer ExecuteMacro(DdeClient& client, const std::string& macro, DWORD timeout_ms) {
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(macro.c_str()));
  DWORD status = 0;
  HDDEDATA ok = DdeClientTransaction(data, static_cast<DWORD>(macro.size() + 1), client.conv(),
                                     nullptr, CF_TEXT, XTYP_EXECUTE, timeout_ms, &status);
  if (ok) return (status & DDE_FACK) ? Answer::kAck : Answer::kNack;
  // A server that answers "not processed" did answer; anything else left no answer.
  return client.LastError() == DMLERR_NOTPROCESSED ? Answer::kNack : Answer::kNone;
}

}  // namespace bench
