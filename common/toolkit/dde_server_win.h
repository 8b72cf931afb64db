// A stand-in DDE server for the tools and the tests: one DDE instance with one service name,
// conversations on one topic or on every topic, and each execute handed to the caller with the
// bytes received. Only the plumbing: what an execute means and what to answer stays with the
// caller. The bridge and RotServer have DDE code of their own; this is for their partners.
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

namespace toolkit {

// What the server says to an execute: DDE_FACK, DDE_FBUSY or DDE_FNOTPROCESSED.
enum class ExecuteAnswer { kAck, kBusy, kNotProcessed };

struct DdeExecute {
  HCONV conv = nullptr;
  UINT format = 0;
  // Exactly the bytes the client sent (no terminating zero added); valid during the call only.
  std::string_view bytes;
};

struct DdeServerSetup {
  std::string service;
  std::optional<std::string> topic;   // nothing: every topic is accepted
  bool register_now = true;           // false: the service is offered once Register() is called
  bool answer_wild_connects = false;  // a client that names no service or no topic finds it
};

// Called on the server's thread from inside DDEML's callback. An exception from any of them is
// caught there: an execute is then answered "not processed".
struct DdeServerHandlers {
  std::function<ExecuteAnswer(const DdeExecute&)> execute;  // none: acknowledge every execute
  std::function<void(HCONV)> connected;
  std::function<void(HCONV)> disconnected;
};

class DdeServer {
 public:
  // Nothing, with the reason in *error, when another DdeServer lives in this process, DDE
  // cannot be initialised, a name cannot be made (one over 255 characters) or, with
  // register_now, the service cannot be registered.
  static std::unique_ptr<DdeServer> Start(DdeServerSetup setup, DdeServerHandlers handlers,
                                          std::string* error);
  // Withdraws the service; DdeUninitialize ends every conversation (it posts the terminate).
  ~DdeServer();
  DdeServer(const DdeServer&) = delete;
  DdeServer& operator=(const DdeServer&) = delete;

  // Offers the service; true when it is registered. Registering twice does nothing more.
  bool Register();
  // Withdraws the service: no new conversations; those open stay open.
  void Withdraw();
  bool registered() const { return registered_; }

 private:
  DdeServer(DdeServerSetup setup, DdeServerHandlers handlers);
  bool Initialize(std::string* error);
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  HDDEDATA Dispatch(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data);
  HDDEDATA OnExecute(HCONV conv, UINT format, HDDEDATA data);
  HDDEDATA OnWildConnect(HSZ topic, HSZ service);
  bool ServiceMatches(HSZ service) const;
  bool TopicMatches(HSZ topic) const;

  DdeServerSetup setup_;
  DdeServerHandlers handlers_;
  DWORD inst_ = 0;
  HSZ service_ = nullptr;
  HSZ topic_ = nullptr;  // nullptr: every topic
  bool registered_ = false;
};

}  // namespace toolkit
