// The client side of one DDE conversation from a client-only DDE instance of its own: what the
// tools and the tests use to execute macros on the bridge or on a rotator server, and to try
// the other transactions on it; a program's status link to a partner fits it too (connect when
// needed, Up, ExecuteAsync). It reports what DDEML answered; what counts as success is the
// caller's judgement.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <optional>
#include <string>
#include <string_view>

#include "dde/instance_win.h"
#include "dde/wine_win.h"

namespace ddeml {

class Client {
 public:
  // A client-only instance and the two names; never throws. SetupError says what failed. No
  // service or no topic: Connect takes whichever server answers first (a wild connect).
  Client(std::optional<std::string> service, std::optional<std::string> topic);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Why no conversation can be tried: "no-instance" (DdeInitialize failed), "no-string-handle"
  // (a name DDE cannot carry, such as one over 255 characters); nullptr when both are ready.
  const char* SetupError() const;

  // Connects, retrying every 100 ms until `retry_ms` have passed (the server may still be on
  // its way up); 0 tries once. A connected conversation is dropped first.
  bool Connect(DWORD retry_ms = 0, const CONVCONTEXT* context = nullptr);
  void Disconnect();
  // True while the conversation is connected: the partner may have ended it, which DDEML
  // under Wine does not report to the client in any other way (dde/wine_win.h, quirk 1).
  bool Up() const { return ConversationUp(conv_); }

  // The names the partner answered with (a wild connect learns them here); empty when none.
  struct Partner {
    std::string service;
    std::string topic;
  };
  Partner PartnerNames() const;

  struct Answer {
    bool returned = false;  // DdeClientTransaction gave a result: the server acknowledged
    DWORD status = 0;       // the transaction's status word (DDE_FACK, DDE_FBUSY)
    UINT error = 0;         // DdeGetLastError when nothing was returned
  };
  // Executes exactly `bytes` (add a NUL to send one) synchronously.
  Answer Execute(std::string_view bytes, DWORD timeout_ms);

  struct Queued {
    bool queued = false;  // DDEML took the execute; the server's answer is not awaited
    UINT error = 0;       // DdeGetLastError when it was not taken
  };
  // Executes exactly `bytes` asynchronously (TIMEOUT_ASYNC) and abandons the queued
  // transaction at once: Wine otherwise keeps every completed one and then times out later
  // synchronous transactions. Use one kind of execute per conversation, not both.
  Queued ExecuteAsync(std::string_view bytes);

  struct Reply {
    bool returned = false;  // DdeClientTransaction gave a result (data, or TRUE)
    DWORD status = 0;       // the acknowledgement's status word
    UINT error = 0;         // DdeGetLastError after the transaction, whatever it returned
    std::string data;       // a request's data, as many bytes as the server gave
  };
  // Any other synchronous transaction on `item` in `format`: XTYP_REQUEST, XTYP_POKE (with
  // `data`, sent exactly), XTYP_ADVSTART, XTYP_ADVSTOP.
  Reply Transact(UINT type, const std::string& item, std::string_view data, DWORD timeout_ms,
                 UINT format = CF_TEXT);

  HCONV conv() const { return conv_; }
  UINT LastError() const { return instance_.LastError(); }

 private:
  Instance instance_;
  bool names_ok_ = false;
  StringHandle service_;  // null: any service
  StringHandle topic_;    // null: any topic
  HCONV conv_ = nullptr;
};

}  // namespace ddeml
