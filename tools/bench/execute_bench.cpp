#include "execute_bench.h"

#include <ddeml.h>

#include <cstdio>
#include <stdexcept>

namespace bench {

const char kStatusMacro[] = "1234\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";

namespace {

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
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

class DdeClient {
 public:
  DdeClient(const std::string& service, const std::string& topic) {
    if (DdeInitializeA(&inst_, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
      throw std::runtime_error("DdeInitialize failed");
    service_ = DdeCreateStringHandleA(inst_, service.c_str(), CP_WINANSI);
    topic_ = DdeCreateStringHandleA(inst_, topic.c_str(), CP_WINANSI);
  }
  ~DdeClient() {
    Disconnect();
    if (service_) DdeFreeStringHandle(inst_, service_);
    if (topic_) DdeFreeStringHandle(inst_, topic_);
    DdeUninitialize(inst_);
  }
  DdeClient(const DdeClient&) = delete;
  DdeClient& operator=(const DdeClient&) = delete;

  // Retries until `ms` have passed: the server may still be on its way up.
  bool Connect(DWORD ms) {
    Disconnect();
    ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
      conv_ = DdeConnect(inst_, service_, topic_, nullptr);
      if (conv_ || GetTickCount64() >= deadline) return conv_ != nullptr;
      Sleep(100);
    }
  }

  void Disconnect() {
    if (conv_) DdeDisconnect(conv_);
    conv_ = nullptr;
  }

  HCONV conv() const { return conv_; }
  UINT LastError() const { return DdeGetLastError(inst_); }

 private:
  DWORD inst_ = 0;
  HSZ service_ = nullptr;
  HSZ topic_ = nullptr;
  HCONV conv_ = nullptr;
};

enum class Answer { kAck, kNack, kNone };

struct Timer {
  LARGE_INTEGER frequency;
  Timer() { QueryPerformanceFrequency(&frequency); }
  LONGLONG Now() const {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
  }
  double Micros(LONGLONG from, LONGLONG to) const {
    return static_cast<double>(to - from) * 1e6 / static_cast<double>(frequency.QuadPart);
  }
};

Answer ExecuteOnce(DdeClient& client, DWORD timeout_ms) {
  // The macro goes with its terminating zero, as the rotator server sends it.
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(kStatusMacro));
  DWORD status = 0;
  HDDEDATA ok = DdeClientTransaction(data, sizeof kStatusMacro, client.conv(), nullptr, CF_TEXT,
                                     XTYP_EXECUTE, timeout_ms, &status);
  if (ok) return (status & DDE_FACK) ? Answer::kAck : Answer::kNack;
  // A server that answers "not processed" did answer; anything else left no answer.
  return client.LastError() == DMLERR_NOTPROCESSED ? Answer::kNack : Answer::kNone;
}

}  // namespace

ExecuteResult RunExecuteBench(const ExecuteSettings& settings) {
  DdeClient client(settings.service, settings.topic);
  auto connect = [&] {
    if (!client.Connect(settings.connect_ms))
      throw std::runtime_error("cannot connect to DDE service '" + settings.service + "' topic '" +
                               settings.topic + "' (" + DdeErrorName(client.LastError()) + ")");
  };
  connect();

  ExecuteResult result;
  result.micros.reserve(settings.count);
  Timer timer;
  int consecutive_failures = 0;
  for (int i = 0; i < settings.warmup + settings.count; ++i) {
    bool measured = i >= settings.warmup;
    LONGLONG start = timer.Now();
    Answer answer = ExecuteOnce(client, settings.timeout_ms);
    LONGLONG end = timer.Now();
    if (answer == Answer::kNone) {
      UINT error = client.LastError();
      if (measured) ++result.failed;
      if (++consecutive_failures >= 3)
        throw std::runtime_error("executes keep failing (" + DdeErrorName(error) + ")");
      // A late answer would be credited to the next execute: start a fresh conversation.
      connect();
      continue;
    }
    consecutive_failures = 0;
    if (!measured) continue;
    result.micros.push_back(timer.Micros(start, end));
    if (answer == Answer::kNack) ++result.non_fack;
  }
  return result;
}

}  // namespace bench
