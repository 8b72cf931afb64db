// The one DDE dispatcher of a process: a DDEML instance offering one service, with
// - one fixed topic, every topic, or a topic table (AddTopic) beside a hook that accepts
//   further topics by name (a program's windows), whose conversations take no executes;
// - each execute handed to the topic's handler with the bytes received;
// - client conversations of the same instance (ClientLink, dde/client_link_win.h), so that one
//   callback sees both sides and a partner that left without saying so is noticed.
// Only the plumbing: what an execute means and what to answer stays with the caller. The
// tools' stand-in servers, RotServer's command topic and the bridge's topics all use it.
//
// One per process: DDEML's callback carries no pointer to its object, so Start refuses a
// second while the first lives. The instance belongs to the thread that started it, whose
// message loop must run for conversations and executes to arrive.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dde/instance_win.h"
#include "dde/wine_win.h"

namespace ddeml {

class ClientLink;

// What the server says to an execute: DDE_FACK, DDE_FBUSY or DDE_FNOTPROCESSED.
enum class ExecuteAnswer { kAck, kBusy, kNotProcessed };

struct IncomingExecute {
  HCONV conv = nullptr;
  UINT format = 0;
  // Exactly the bytes the client sent (no terminating zero added); valid during the call only,
  // and only until `received->Release()`, which hands them back to DDEML early.
  std::string_view bytes;
  bool readable = false;  // DDEML gave access to the data
  ReceivedExecute* received = nullptr;
};

struct ServerSetup {
  std::string service;
  std::optional<std::string> topic;   // nothing: every topic, or only the listed ones
  bool register_now = true;           // false: the service is offered once Register() is called
  bool answer_wild_connects = false;  // a client that names no service or no topic finds it
  // Without `topic`: only the topics of the table (AddTopic) and those `named_topic` accepts,
  // each of which a client must name.
  bool listed_topics = false;
  // Client conversations (ClientLink) share the instance: it hears partners withdraw their
  // service and looks for partners that left without saying so (dde/wine_win.h, quirk 1).
  bool with_clients = false;
};

// The handlers of one topic, called on the server's thread from inside DDEML's callback.
struct TopicHandlers {
  std::function<ExecuteAnswer(const IncomingExecute&)> execute;  // none: acknowledge all
  std::function<void(HCONV)> connected;
  std::function<void(HCONV)> disconnected;
};

// An exception from any handler is caught in the callback and handed to `failed` when set: an
// execute is then answered "not processed".
struct ServerHandlers {
  std::function<ExecuteAnswer(const IncomingExecute&)> execute;  // none: acknowledge all
  std::function<void(HCONV)> connected;
  std::function<void(HCONV)> disconnected;
  std::function<void(const char* what)> failed;  // what(), or nullptr for a non-std exception
  // With listed topics: a topic outside the table that the program answers to all the same
  // (its text as the client gave it). Conversations on it refuse every execute.
  std::function<bool(const std::string& topic)> named_topic;
};

class Server {
 public:
  // Nothing, with the reason in *error (and DDEML's error code in *dde_error when it failed),
  // when another Server lives in this process, DDE cannot be initialised, a name cannot be made
  // (one over 255 characters) or, with register_now, the service cannot be registered.
  static std::unique_ptr<Server> Start(ServerSetup setup, ServerHandlers handlers,
                                       std::string* error, UINT* dde_error = nullptr);
  // Withdraws the service; DdeUninitialize ends every conversation (it posts the terminate).
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // The process's server, or nullptr; topics and client links made on its thread find it here.
  static Server* Current();

  // Offers the service; true when it is registered. Registering twice does nothing more.
  bool Register();
  // Withdraws the service: no new conversations; those open stay open.
  void Withdraw();
  bool registered() const { return registered_; }
  // Ends one conversation from this side; false when DDEML no longer knows it.
  bool End(HCONV conv) { return TerminateFromServer(conv); }

  // A topic of the table, matched by name whatever the letter case, from now until
  // RemoveTopic. Conversations open on a removed topic stay open and refuse executes.
  using TopicId = unsigned;
  TopicId AddTopic(std::string name, TopicHandlers handlers);
  void RemoveTopic(TopicId id);

  DWORD id() const { return instance_->id(); }
  // Server conversations open now.
  std::size_t ConversationCount() const;
  // With clients: to be called by the message loop after each message it dispatched.
  void MessageDispatched(const MSG& msg);

 private:
  friend class ClientLink;
  struct Topic {
    std::string name;
    TopicHandlers handlers;
  };
  // Where a conversation's transactions go: the setup's handlers, a row of the table, or
  // nowhere (a named topic, or a row since removed).
  enum class Route { kDefault, kTable, kNone };
  struct Conversation {
    HCONV conv = nullptr;
    Route route = Route::kNone;
    TopicId topic = 0;
  };
  // A conversation's user handle names one of these; Wine keeps only 32 bits of it.
  struct UserTarget {
    std::unique_ptr<Conversation> server;
    ClientLink* client = nullptr;
  };

  Server(ServerSetup setup, ServerHandlers handlers);
  bool Initialize(std::string* error, UINT* dde_error);
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  HDDEDATA Dispatch(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data);
  HDDEDATA OnExecute(HCONV conv, UINT format, HDDEDATA data);
  HDDEDATA OnWildConnect(HSZ topic, HSZ service);
  void OnConfirm(HCONV conv, HSZ topic);
  void OnDisconnect(HCONV conv);
  bool ServiceMatches(HSZ service) const;
  bool TopicMatches(HSZ topic) const;
  std::optional<Conversation> Resolve(HSZ topic) const;
  const TopicHandlers* HandlersOf(const Conversation& conversation) const;
  UserTarget* TargetOf(HCONV conv);

  // Client links (dde/client_link_win.cpp).
  DWORD AddClient(ClientLink* link);
  void RemoveClient(DWORD id);
  void CheckClients();
  bool AnyClientOpen() const;

  ServerSetup setup_;
  ServerHandlers handlers_;
  TopicHandlers default_handlers_;
  std::unique_ptr<PartnerGoneWatch> partner_gone_;  // with clients only
  std::unique_ptr<Instance> instance_;
  StringHandle service_;
  StringHandle topic_;  // null: every topic, or the listed ones
  bool registered_ = false;
  std::map<TopicId, Topic> topics_;
  TopicId next_topic_ = 1;
  std::map<DWORD, UserTarget> targets_;  // by user handle
  DWORD next_user_handle_ = 1;
  bool checking_clients_ = false;
};

}  // namespace ddeml
