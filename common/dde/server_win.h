// A DDE server of one service: conversations on one topic or on every topic, and each execute
// handed to the caller with the bytes received. Only the plumbing: what an execute means and
// what to answer stays with the caller. The tools' stand-in servers use it, and a program's
// command topic fits it (one service, one topic, every execute acknowledged and handed on).
//
// One per process: DDEML's callback carries no pointer to its object, so Start refuses a
// second while the first lives. The instance belongs to the thread that started it, whose
// message loop must run for conversations and executes to arrive.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dde/instance_win.h"
#include "dde/wine_win.h"

namespace ddeml {

// What the server says to an execute: DDE_FACK, DDE_FBUSY or DDE_FNOTPROCESSED.
enum class ExecuteAnswer { kAck, kBusy, kNotProcessed };

struct IncomingExecute {
  HCONV conv = nullptr;
  UINT format = 0;
  // Exactly the bytes the client sent (no terminating zero added); valid during the call only.
  std::string_view bytes;
};

struct ServerSetup {
  std::string service;
  std::optional<std::string> topic;   // nothing: every topic is accepted
  bool register_now = true;           // false: the service is offered once Register() is called
  bool answer_wild_connects = false;  // a client that names no service or no topic finds it
};

// Called on the server's thread from inside DDEML's callback. An exception from any of them is
// caught there and handed to `failed` when set: an execute is then answered "not processed".
struct ServerHandlers {
  std::function<ExecuteAnswer(const IncomingExecute&)> execute;  // none: acknowledge all
  std::function<void(HCONV)> connected;
  std::function<void(HCONV)> disconnected;
  std::function<void(const char* what)> failed;  // what(), or nullptr for a non-std exception
};

class Server {
 public:
  // Nothing, with the reason in *error, when another Server lives in this process, DDE cannot
  // be initialised, a name cannot be made (one over 255 characters) or, with register_now, the
  // service cannot be registered.
  static std::unique_ptr<Server> Start(ServerSetup setup, ServerHandlers handlers,
                                       std::string* error);
  // Withdraws the service; DdeUninitialize ends every conversation (it posts the terminate).
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Offers the service; true when it is registered. Registering twice does nothing more.
  bool Register();
  // Withdraws the service: no new conversations; those open stay open.
  void Withdraw();
  bool registered() const { return registered_; }
  // Ends one conversation from this side; false when DDEML no longer knows it.
  bool End(HCONV conv) { return TerminateFromServer(conv); }

 private:
  Server(ServerSetup setup, ServerHandlers handlers);
  bool Initialize(std::string* error);
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  HDDEDATA Dispatch(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data);
  HDDEDATA OnExecute(HCONV conv, UINT format, HDDEDATA data);
  HDDEDATA OnWildConnect(HSZ topic, HSZ service);
  bool ServiceMatches(HSZ service) const;
  bool TopicMatches(HSZ topic) const;

  ServerSetup setup_;
  ServerHandlers handlers_;
  std::unique_ptr<Instance> instance_;
  StringHandle service_;
  StringHandle topic_;  // null: every topic
  bool registered_ = false;
};

}  // namespace ddeml
