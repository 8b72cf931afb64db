#include "dde/server_win.h"

#include <atomic>
#include <exception>
#include <optional>
#include <string>

#include "dde/client_link_win.h"
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
                                      std::string* error, UINT* dde_error) {
  std::unique_ptr<Server> server(new Server(std::move(setup), std::move(handlers)));
  Server* none = nullptr;
  if (!g_server.compare_exchange_strong(none, server.get())) {
    *error = "a DDE stand-in server runs in this process already (one per process)";
    return nullptr;
  }
  if (!server->Initialize(error, dde_error)) return nullptr;
  return server;
}

Server* Server::Current() {
  return g_server;
}

Server::Server(ServerSetup setup, ServerHandlers handlers)
    : setup_(std::move(setup)), handlers_(std::move(handlers)) {
  default_handlers_ = {handlers_.execute, handlers_.connected, handlers_.disconnected};
}

Server::~Server() {
  if (partner_gone_) partner_gone_->StopFollowUp();
  for (auto& [id, target] : targets_) {
    if (target.server) {
      SetConversationUserHandle(target.server->conv, 0);
      DdeDisconnect(target.server->conv);
    }
    if (target.client) target.client->ServerGone();
  }
  targets_.clear();
  Withdraw();
  service_.Reset();
  topic_.Reset();
  instance_.reset();  // DdeUninitialize: every conversation ends
  Server* self = this;
  g_server.compare_exchange_strong(self, nullptr);  // only when it was the process's server
}

bool Server::Initialize(std::string* error, UINT* dde_error) {
  DWORD flags = APPCLASS_STANDARD;
  if (setup_.with_clients) {
    partner_gone_ = std::make_unique<PartnerGoneWatch>(
        [this] { CheckClients(); }, [this] { return AnyClientOpen(); },
        [this](const char* what) {
          if (handlers_.failed) handlers_.failed(what);
        });
  } else {
    flags |= CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
  }
  instance_ = std::make_unique<Instance>(&Callback, flags);
  if (!instance_->id()) {
    if (dde_error) *dde_error = instance_->error();
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

Server::TopicId Server::AddTopic(std::string name, TopicHandlers handlers) {
  TopicId id = next_topic_++;
  topics_[id] = Topic{std::move(name), std::move(handlers)};
  return id;
}

void Server::RemoveTopic(TopicId id) {
  topics_.erase(id);
}

std::size_t Server::ConversationCount() const {
  std::size_t count = 0;
  for (const auto& [id, target] : targets_) count += target.server != nullptr;
  return count;
}

void Server::MessageDispatched(const MSG& msg) {
  if (partner_gone_) partner_gone_->MessageDispatched(msg);
}

HDDEDATA CALLBACK Server::Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                   HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  Server* self = g_server;
  if (!self) return nullptr;
  // The text is copied inside the handler: what() dies with the exception at its end.
  std::optional<std::string> what;
  try {
    // A client's partner may have gone unannounced; this callback may be the first sign.
    if (self->partner_gone_) self->partner_gone_->CallbackStarts();
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
      OnConfirm(conv, hsz1);
      return nullptr;
    case XTYP_DISCONNECT:
      OnDisconnect(conv);
      return nullptr;
    case XTYP_EXECUTE:
      return OnExecute(conv, format, data);
    case XTYP_POKE:
      return Flags(DDE_FNOTPROCESSED);
    case XTYP_UNREGISTER:
      if (partner_gone_) partner_gone_->PartnerUnregistered();
      return nullptr;
    default:
      // Requests get no data and advise loops are refused: the server takes executes only.
      // Nobody waits for a client's execute (XTYP_XACT_COMPLETE): each is abandoned once sent.
      return nullptr;
  }
}

HDDEDATA Server::OnExecute(HCONV conv, UINT format, HDDEDATA data) {
  ReceivedExecute received(data);
  UserTarget* target = TargetOf(conv);
  const TopicHandlers* handlers = target && target->server ? HandlersOf(*target->server) : nullptr;
  if (!handlers) return Flags(DDE_FNOTPROCESSED);
  if (!handlers->execute) return AnswerFlags(ExecuteAnswer::kAck);
  IncomingExecute execute{conv, format, received.bytes(), received.readable(), &received};
  return AnswerFlags(handlers->execute(execute));
}

HDDEDATA Server::OnWildConnect(HSZ topic, HSZ service) {
  if (!setup_.answer_wild_connects || !ServiceMatches(service)) return nullptr;
  // Serving every topic, it can only answer for the topic asked for.
  HSZ offered = topic_ ? topic_.get() : topic;
  if (!offered || (topic && !TopicMatches(topic))) return nullptr;
  return instance_->WildConnectAnswer(service_.get(), offered);
}

void Server::OnConfirm(HCONV conv, HSZ topic) {
  // A topic taken away between the connect and its confirmation: open, refusing executes.
  Conversation conversation = Resolve(topic).value_or(Conversation{nullptr, Route::kNone, 0});
  conversation.conv = conv;
  DWORD id = next_user_handle_++;
  targets_[id].server = std::make_unique<Conversation>(conversation);
  SetConversationUserHandle(conv, id);
  const TopicHandlers* handlers = HandlersOf(conversation);
  if (handlers && handlers->connected) handlers->connected(conv);
}

void Server::OnDisconnect(HCONV conv) {
  bool known = false;
  DWORD id = ConversationUserHandle(conv, &known);
  auto it = known && id ? targets_.find(id) : targets_.end();
  if (it == targets_.end()) return;
  if (ClientLink* client = it->second.client) {
    client->PartnerGone();
    return;
  }
  Conversation ended = *it->second.server;
  SetConversationUserHandle(conv, 0);
  targets_.erase(it);
  const TopicHandlers* handlers = HandlersOf(ended);
  if (handlers && handlers->disconnected) handlers->disconnected(conv);
}

bool Server::ServiceMatches(HSZ service) const {
  return !service || service_.Matches(service);
}

bool Server::TopicMatches(HSZ topic) const {
  if (topic_) return topic_.Matches(topic);
  return !setup_.listed_topics || Resolve(topic).has_value();
}

std::optional<Server::Conversation> Server::Resolve(HSZ topic) const {
  if (!setup_.listed_topics || topic_) return Conversation{nullptr, Route::kDefault, 0};
  if (!topic) return std::nullopt;
  std::string name = instance_->Text(topic);
  for (const auto& [id, row] : topics_)
    if (SameName(row.name, name)) return Conversation{nullptr, Route::kTable, id};
  if (handlers_.named_topic && handlers_.named_topic(name))
    return Conversation{nullptr, Route::kNone, 0};
  return std::nullopt;
}

const TopicHandlers* Server::HandlersOf(const Conversation& conversation) const {
  if (conversation.route == Route::kDefault) return &default_handlers_;
  if (conversation.route == Route::kNone) return nullptr;
  auto row = topics_.find(conversation.topic);
  return row == topics_.end() ? nullptr : &row->second.handlers;
}

Server::UserTarget* Server::TargetOf(HCONV conv) {
  bool known = false;
  DWORD id = ConversationUserHandle(conv, &known);
  auto it = known && id ? targets_.find(id) : targets_.end();
  return it == targets_.end() ? nullptr : &it->second;
}

}  // namespace ddeml
