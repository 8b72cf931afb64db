// The client side of one DDE conversation from a DDE instance of its own: what the tools and the
// tests use to execute macros on the bridge or on a rotator server. It reports what DDEML
// answered; what counts as success is the caller's judgement.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>
#include <string_view>

namespace toolkit {

class DdeClient {
 public:
  // A client-only instance and the two names; never throws. SetupError says what failed.
  DdeClient(const std::string& service, const std::string& topic);
  ~DdeClient();
  DdeClient(const DdeClient&) = delete;
  DdeClient& operator=(const DdeClient&) = delete;

  // Why no conversation can be tried: "no-instance" (DdeInitialize failed), "no-string-handle"
  // (a name DDE cannot carry, such as one over 255 characters); nullptr when both are ready.
  const char* SetupError() const;

  // Connects, retrying every 100 ms until `retry_ms` have passed (the server may still be on
  // its way up); 0 tries once. A connected conversation is dropped first.
  bool Connect(DWORD retry_ms = 0, const CONVCONTEXT* context = nullptr);
  void Disconnect();

  struct Answer {
    bool returned = false;  // DdeClientTransaction gave a result: the server acknowledged
    DWORD status = 0;       // the transaction's status word (DDE_FACK, DDE_FBUSY)
    UINT error = 0;         // DdeGetLastError when nothing was returned
  };
  // Executes exactly `bytes` (add a NUL to send one) synchronously.
  Answer Execute(std::string_view bytes, DWORD timeout_ms);

  HCONV conv() const { return conv_; }
  UINT LastError() const { return inst_ ? DdeGetLastError(inst_) : DMLERR_DLL_NOT_INITIALIZED; }

 private:
  DWORD inst_ = 0;
  HSZ service_ = nullptr;
  HSZ topic_ = nullptr;
  HCONV conv_ = nullptr;
};

// DDEML's error codes in words, for messages: "server died", "DDEML error 0x4009".
std::string DdeErrorName(UINT code);

}  // namespace toolkit
