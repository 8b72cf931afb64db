#include "toolkit/dde_server_win.h"

#include <atomic>

#include "wine/wine_dde_win.h"

namespace toolkit {

namespace {

// The one server of this process, for the callback. Atomic: servers of tests start and end on
// threads of their own.
std::atomic<DdeServer*> g_server{nullptr};

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

// Gives the execute's data back to DDEML however the handler leaves.
class DataAccess {
 public:
  explicit DataAccess(HDDEDATA data) : data_(data), bytes_(DdeAccessData(data, &size_)) {}
  ~DataAccess() {
    if (bytes_) DdeUnaccessData(data_);
  }
  DataAccess(const DataAccess&) = delete;
  DataAccess& operator=(const DataAccess&) = delete;
  std::string_view bytes() const {
    return bytes_ ? std::string_view(reinterpret_cast<const char*>(bytes_), size_)
                  : std::string_view();
  }

 private:
  HDDEDATA data_;
  DWORD size_ = 0;
  const BYTE* bytes_;
};

}  // namespace

std::unique_ptr<DdeServer> DdeServer::Start(DdeServerSetup setup, DdeServerHandlers handlers,
                                             std::string* error) {
  std::unique_ptr<DdeServer> server(new DdeServer(std::move(setup), std::move(handlers)));
  DdeServer* none = nullptr;
  if (!g_server.compare_exchange_strong(none, server.get())) {
    *error = "a DDE stand-in server runs in this process already (one per process)";
    return nullptr;
  }
  if (!server->Initialize(error)) return nullptr;
  return server;
}

DdeServer::DdeServer(DdeServerSetup setup, DdeServerHandlers handlers)
    : setup_(std::move(setup)), handlers_(std::move(handlers)) {}

DdeServer::~DdeServer() {
  if (inst_) {
    Withdraw();
    for (HSZ h : {service_, topic_})
      if (h) DdeFreeStringHandle(inst_, h);
    DdeUninitialize(inst_);
  }
  DdeServer* self = this;
  g_server.compare_exchange_strong(self, nullptr);  // only when it was the process's server
}

bool DdeServer::Initialize(std::string* error) {
  const DWORD flags = APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
  if (DdeInitializeA(&inst_, &Callback, flags, 0) != DMLERR_NO_ERROR) {
    inst_ = 0;
    *error = "DdeInitialize failed";
    return false;
  }
  service_ = DdeCreateStringHandleA(inst_, setup_.service.c_str(), CP_WINANSI);
  if (setup_.topic) topic_ = DdeCreateStringHandleA(inst_, setup_.topic->c_str(), CP_WINANSI);
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

bool DdeServer::Register() {
  if (!registered_) registered_ = DdeNameService(inst_, service_, nullptr, DNS_REGISTER) != nullptr;
  return registered_;
}

void DdeServer::Withdraw() {
  if (registered_) DdeNameService(inst_, service_, nullptr, DNS_UNREGISTER);
  registered_ = false;
}

HDDEDATA CALLBACK DdeServer::Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                      HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  DdeServer* self = g_server;
  if (!self) return nullptr;
  try {
    return self->Dispatch(type, format, conv, hsz1, hsz2, data);
  } catch (...) {
    // Nothing may leave a Win32 callback; an execute nobody could handle was not processed.
    return type == XTYP_EXECUTE ? Flags(DDE_FNOTPROCESSED) : nullptr;
  }
}

HDDEDATA DdeServer::Dispatch(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                             HDDEDATA data) {
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
      // Requests get no data and advise loops are refused: a stand-in takes executes only.
      return nullptr;
  }
}

HDDEDATA DdeServer::OnExecute(HCONV conv, UINT format, HDDEDATA data) {
  winedde::ReceivedExecuteData release(data);  // freed after the access below has ended
  if (!handlers_.execute) return AnswerFlags(ExecuteAnswer::kAck);
  DataAccess access(data);
  return AnswerFlags(handlers_.execute(DdeExecute{conv, format, access.bytes()}));
}

HDDEDATA DdeServer::OnWildConnect(HSZ topic, HSZ service) {
  if (!setup_.answer_wild_connects || !ServiceMatches(service)) return nullptr;
  // Serving every topic, it can only answer for the topic asked for.
  HSZ offered = topic_ ? topic_ : topic;
  if (!offered || (topic && !TopicMatches(topic))) return nullptr;
  HSZPAIR pairs[2] = {{service_, offered}, {nullptr, nullptr}};
  return DdeCreateDataHandle(inst_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr,
                             CF_TEXT, 0);
}

bool DdeServer::ServiceMatches(HSZ service) const {
  return !service || DdeCmpStringHandles(service, service_) == 0;
}

bool DdeServer::TopicMatches(HSZ topic) const {
  return !topic_ || (topic && DdeCmpStringHandles(topic, topic_) == 0);
}

}  // namespace toolkit
