#include "dde/server_win.h"

#include <atomic>
#include <exception>
#include <optional>
#include <string>

#include "dde/wine_win.h"

namespace ddeml {

namespace {

// The one server of this process, for the callback. Atomic: servers of tests start and end on
// threads of their own.
std::atomic<Server*> g_server{nullptr};

HDDEDATA Flags(UINT flags) {
  return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(flags));
}

HDDEDATA AnswerFlags(ExecuteAnswer answer) {
  switch (answer) {
    case ExecuteAnswer::kBusy:
      return Flags(DDE_FBUSY);
    case ExecuteAnswer::kNotProcessed:
      return Flags(DDE_FNOTPROCESSED);
    default:
      // Exactly DDE_FACK: TRUE would be taken as "not processed".
      return Flags(DDE_FACK);
  }
}

}  // namespace

std::unique_ptr<Server> Server::Start(ServerSetup setup, ServerHandlers handlers,
                                      std::string* error) {
  std::unique_ptr<Server> server(new Server(std::move(setup), std::move(handlers)));
  Server* none = nullptr;
  if (!g_server.compare_exchange_strong(none, server.get())) {
    *error = "a DDE stand-in server runs in this process already (one per process)";
    return nullptr;
  }
  if (!server->Initialize(error)) return nullptr;
  return server;
}

Server::Server(ServerSetup setup, ServerHandlers handlers)
    : setup_(std::move(setup)), handlers_(std::move(handlers)) {}

Server::~Server() {
  Withdraw();
  service_.Reset();
  topic_.Reset();
  instance_.reset();  // DdeUninitialize: every conversation ends
  Server* self = this;
  g_server.compare_exchange_strong(self, nullptr);  // only when it was the process's server
}

bool Server::Initialize(std::string* error) {
  const DWORD flags = APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
  instance_ = std::make_unique<Instance>(&Callback, flags);
  if (!instance_->id()) {
    *error = "DdeInitialize failed (" + ErrorName(instance_->error()) + ")";
    return false;
  }
  service_ = StringHandle(instance_->id(), setup_.service);
  if (setup_.topic) topic_ = StringHandle(instance_->id(), *setup_.topic);
  if (!service_ || (setup_.topic && !topic_)) {
    *error = "cannot make DDE names of service '" + setup_.service + "' and topic '" +
             setup_.topic.value_or("") + "'";
    return false;
  }
  if (setup_.register_now && !Register()) {
    *error = "cannot register the DDE service '" + setup_.service + "'";
    return false;
  }
  return true;
}

bool Server::Register() {
  if (!registered_) registered_ = instance_->RegisterService(service_.get());
  return registered_;
}

void Server::Withdraw() {
  if (registered_) instance_->WithdrawService(service_.get());
  registered_ = false;
}

HDDEDATA CALLBACK Server::Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                   HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  Server* self = g_server;
  if (!self) return nullptr;
  // The text is copied inside the handler: what() dies with the exception at its end.
  std::optional<std::string> what;
  try {
    return self->Dispatch(type, format, conv, hsz1, hsz2, data);
  } catch (const std::exception& e) {
    try {
      what = e.what();
    } catch (...) {
    }
  } catch (...) {
  }
  // Nothing may leave a Win32 callback; an execute nobody could handle was not processed.
  try {
    if (self->handlers_.failed) self->handlers_.failed(what ? what->c_str() : nullptr);
  } catch (...) {
  }
  return type == XTYP_EXECUTE ? Flags(DDE_FNOTPROCESSED) : nullptr;
}

HDDEDATA Server::Dispatch(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data) {
  switch (type) {
    case XTYP_CONNECT:  // hsz1 the topic, hsz2 the service
      return Flags(ServiceMatches(hsz2) && TopicMatches(hsz1));
    case XTYP_WILDCONNECT:
      return OnWildConnect(hsz1, hsz2);
    case XTYP_CONNECT_CONFIRM:
      if (handlers_.connected) handlers_.connected(conv);
      return nullptr;
    case XTYP_DISCONNECT:
      if (handlers_.disconnected) handlers_.disconnected(conv);
      return nullptr;
    case XTYP_EXECUTE:
      return OnExecute(conv, format, data);
    case XTYP_POKE:
      return Flags(DDE_FNOTPROCESSED);
    default:
      // Requests get no data and advise loops are refused: the server takes executes only.
      return nullptr;
  }
}

HDDEDATA Server::OnExecute(HCONV conv, UINT format, HDDEDATA data) {
  ReceivedExecute received(data);
  if (!handlers_.execute) return AnswerFlags(ExecuteAnswer::kAck);
  return AnswerFlags(handlers_.execute(IncomingExecute{conv, format, received.bytes()}));
}

HDDEDATA Server::OnWildConnect(HSZ topic, HSZ service) {
  if (!setup_.answer_wild_connects || !ServiceMatches(service)) return nullptr;
  // Serving every topic, it can only answer for the topic asked for.
  HSZ offered = topic_ ? topic_.get() : topic;
  if (!offered || (topic && !TopicMatches(topic))) return nullptr;
  return instance_->WildConnectAnswer(service_.get(), offered);
}

bool Server::ServiceMatches(HSZ service) const {
  return !service || service_.Matches(service);
}

bool Server::TopicMatches(HSZ topic) const {
  return !topic_ || topic_.Matches(topic);
}

}  // namespace ddeml
