// A client conversation on the instance of the process's Server (set up with_clients): one
// callback then sees both sides, and a partner that ended the conversation without Wine saying
// so is noticed (dde/wine_win.h, quirk 1). At most one conversation at a time; executes go out
// asynchronously. The program's own policy (which server to start when nobody answers, the
// text of its macros) stays with its owner.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <string>
#include <string_view>

#include "dde/instance_win.h"

namespace ddeml {

class Server;

class ClientLink {
 public:
  // Joins Server::Current(); without one it never connects. `closed` hears that an open
  // conversation ends, from either side, while conv() still names it; it may throw.
  explicit ClientLink(std::function<void()> closed);
  ~ClientLink();  // drops an open conversation without `closed`
  ClientLink(const ClientLink&) = delete;
  ClientLink& operator=(const ClientLink&) = delete;

  // One try at `service` and `topic`, whose string handles are made at the first try and kept
  // until Close. False when a conversation is open already, or nobody answered.
  bool Connect(const std::string& service, const std::string& topic, const CONVCONTEXT* context);
  // Ends the conversation from this side: `closed` first, then DDEML's disconnect, even when
  // `closed` throws (rethrown afterwards). Forgets the names.
  void Close();
  // The partner has ended the conversation: `closed`, and the conversation is dropped, even
  // when `closed` throws (rethrown).
  void PartnerGone();

  // Executes exactly `bytes` in the conversation's format without waiting for the answer;
  // true when DDEML took it. A refusal may mean the partner has gone: the server looks at every
  // client conversation then.
  bool ExecuteAsync(std::string_view bytes);

  // There is a server to connect through.
  bool joined() const { return server_ != nullptr; }
  HCONV conv() const { return conv_; }
  UINT format() const { return format_; }

 private:
  friend class Server;
  void ServerGone();  // the instance was uninitialised under us: drop the handles silently

  std::function<void()> closed_;
  Server* server_ = nullptr;
  DWORD user_handle_ = 0;
  HCONV conv_ = nullptr;
  UINT format_ = 0;
  StringHandle service_;
  StringHandle topic_;
};

}  // namespace ddeml
