#include "execute_bench.h"

#include <ddeml.h>

#include <cstdio>
#include <memory>
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

Answer ExecuteMacro(DdeClient& client, DWORD timeout_ms) {
  // The macro goes with its terminating zero, as the rotator server sends it.
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(kStatusMacro));
  DWORD status = 0;
  HDDEDATA ok = DdeClientTransaction(data, sizeof kStatusMacro, client.conv(), nullptr, CF_TEXT,
                                     XTYP_EXECUTE, timeout_ms, &status);
  if (ok) return (status & DDE_FACK) ? Answer::kAck : Answer::kNack;
  // A server that answers "not processed" did answer; anything else left no answer.
  return client.LastError() == DMLERR_NOTPROCESSED ? Answer::kNack : Answer::kNone;
}

// One conversation under measurement, reconnected after an unanswered execute.
class Measured {
 public:
  Measured(const ExecuteTarget& target, const ExecuteSettings& settings)
      : target_(target), settings_(settings), client_(target.service, target.topic) {
    result_.micros.reserve(settings.count);
    Connect();
  }

  void ExecuteOnce(bool measured, const Timer& timer) {
    LONGLONG start = timer.Now();
    Answer answer = ExecuteMacro(client_, settings_.timeout_ms);
    LONGLONG end = timer.Now();
    if (answer == Answer::kNone) {
      UINT error = client_.LastError();
      if (measured) ++result_.failed;
      if (++consecutive_failures_ >= 3)
        throw std::runtime_error("executes on DDE service '" + target_.service +
                                 "' keep failing (" + DdeErrorName(error) + ")");
      // A late answer would be credited to the next execute: start a fresh conversation.
      Connect();
      return;
    }
    consecutive_failures_ = 0;
    if (!measured) return;
    result_.micros.push_back(timer.Micros(start, end));
    if (answer == Answer::kNack) ++result_.non_fack;
  }

  const ExecuteResult& result() const { return result_; }

 private:
  void Connect() {
    if (!client_.Connect(settings_.connect_ms))
      throw std::runtime_error("cannot connect to DDE service '" + target_.service + "' topic '" +
                               target_.topic + "' (" + DdeErrorName(client_.LastError()) + ")");
  }

  ExecuteTarget target_;
  const ExecuteSettings& settings_;
  DdeClient client_;
  ExecuteResult result_;
  int consecutive_failures_ = 0;
};

}  // namespace

std::vector<ExecuteResult> RunExecuteBench(const std::vector<ExecuteTarget>& targets,
                                           const ExecuteSettings& settings) {
  std::vector<std::unique_ptr<Measured>> measured;
  for (const ExecuteTarget& target : targets)
    measured.push_back(std::make_unique<Measured>(target, settings));
  Timer timer;
  for (int i = 0; i < settings.warmup + settings.count; ++i)
    for (auto& m : measured) m->ExecuteOnce(i >= settings.warmup, timer);
  std::vector<ExecuteResult> results;
  for (auto& m : measured) results.push_back(m->result());
  return results;
}

}  // namespace bench
