#include "rotserver/win/dde_link_win.h"

#include <algorithm>
#include <exception>

#include "rotserver/win/callback_errors_win.h"
#include "wine/wine_dde_win.h"
#include "wire/wire.h"

namespace rotserver {

namespace {

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

}  // namespace

std::string ServiceNameFromModule() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, n);
  std::replace(name.begin(), name.end(), '/', '\\');  // either separator ends a folder here
  return wire::RotatorServiceName(name);
}

CommandServer* CommandServer::instance_ = nullptr;

CommandServer::CommandServer(std::string service, std::string topic, Handler handler)
    : service_(std::move(service)), topic_(std::move(topic)), handler_(std::move(handler)) {}

std::unique_ptr<CommandServer> CommandServer::Register(const std::string& service,
                                                       const std::string& topic, Handler handler,
                                                       std::string* error) {
  if (instance_) {
    *error = "the DDE service is registered already";
    return nullptr;
  }
  if (service.empty()) {
    *error = "no DDE service name (the program's file name is too short)";
    return nullptr;
  }
  std::unique_ptr<CommandServer> server(new CommandServer(service, topic, std::move(handler)));
  instance_ = server.get();
  UINT rc =
      DdeInitializeA(&server->inst_, &Callback,
                     APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0);
  if (rc != DMLERR_NO_ERROR) {
    server->inst_ = 0;
    *error = "DDE could not start (DDEML error " + std::to_string(rc) + ")";
    return nullptr;
  }
  server->service_handle_ = DdeCreateStringHandleA(server->inst_, service.c_str(), CP_WINANSI);
  server->topic_handle_ = DdeCreateStringHandleA(server->inst_, topic.c_str(), CP_WINANSI);
  server->registered_ =
      server->service_handle_ && server->topic_handle_ &&
      DdeNameService(server->inst_, server->service_handle_, nullptr, DNS_REGISTER) != nullptr;
  if (!server->registered_) {
    *error = "the DDE service " + service + " could not be registered";
    return nullptr;
  }
  return server;
}

CommandServer::~CommandServer() {
  if (inst_) {
    if (registered_) DdeNameService(inst_, service_handle_, nullptr, DNS_UNREGISTER);
    if (service_handle_) DdeFreeStringHandle(inst_, service_handle_);
    if (topic_handle_) DdeFreeStringHandle(inst_, topic_handle_);
    DdeUninitialize(inst_);
  }
  if (instance_ == this) instance_ = nullptr;
}

bool CommandServer::ServiceMatches(HSZ service) const {
  return !service || DdeCmpStringHandles(service, service_handle_) == 0;
}

bool CommandServer::TopicMatches(HSZ topic) const {
  return topic && DdeCmpStringHandles(topic, topic_handle_) == 0;
}

HDDEDATA CommandServer::Execute(HDDEDATA data) {
  winedde::ReceivedExecuteData release(data);
  DWORD size = 0;
  const BYTE* bytes = DdeAccessData(data, &size);
  std::string received = bytes ? std::string(reinterpret_cast<const char*>(bytes), size) : "";
  if (bytes) DdeUnaccessData(data);
  ++executes_;
  // The bridge takes anything but DDE_FACK as a failure, whatever the bytes were: every
  // execute is acknowledged and the front end decides what it means.
  if (handler_) handler_(received);
  return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

HDDEDATA CommandServer::OnCallback(UINT type, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(ServiceMatches(hsz2) && TopicMatches(hsz1));
    case XTYP_WILDCONNECT: {
      if (!ServiceMatches(hsz2) || (hsz1 && !TopicMatches(hsz1))) return nullptr;
      HSZPAIR pairs[2] = {{service_handle_, topic_handle_}, {nullptr, nullptr}};
      return DdeCreateDataHandle(inst_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr,
                                 CF_TEXT, 0);
    }
    case XTYP_CONNECT_CONFIRM:
      conversations_.push_back(conv);
      return nullptr;
    case XTYP_DISCONNECT:
      conversations_.erase(std::remove(conversations_.begin(), conversations_.end(), conv),
                           conversations_.end());
      return nullptr;
    case XTYP_EXECUTE:
      return Execute(data);
    case XTYP_POKE:
      return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    default:
      return nullptr;
  }
}

HDDEDATA CALLBACK CommandServer::Callback(UINT type, UINT, HCONV conv, HSZ hsz1, HSZ hsz2,
                                          HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  // A command that failed is answered as not processed.
  HDDEDATA failed =
      type == XTYP_EXECUTE ? reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED) : nullptr;
  return CallGuarded("error in a DDE transaction", failed, [&]() -> HDDEDATA {
    return instance_ ? instance_->OnCallback(type, conv, hsz1, hsz2, data) : nullptr;
  });
}

bool CommandServer::Linked() {
  // Wine does not always tell the server that a client has gone: a conversation counts while
  // DDEML still calls it connected and the partner's window is there.
  auto gone = [](HCONV conv) {
    CONVINFO info{};
    info.cb = sizeof info;
    return !DdeQueryConvInfo(conv, QID_SYNC, &info) || !(info.wStatus & ST_CONNECTED) ||
           !IsWindow(info.hwndPartner);
  };
  conversations_.erase(std::remove_if(conversations_.begin(), conversations_.end(), gone),
                       conversations_.end());
  return !conversations_.empty();
}

StatusClient::StatusClient(std::string service, std::string topic)
    : service_(std::move(service)), topic_(std::move(topic)) {
  if (DdeInitializeA(&inst_, &NoCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) inst_ = 0;
}

StatusClient::~StatusClient() {
  Disconnect();
  if (inst_) DdeUninitialize(inst_);
}

void StatusClient::Disconnect() {
  if (conv_) DdeDisconnect(conv_);
  conv_ = nullptr;
}

bool StatusClient::Connected() {
  if (!conv_) return false;
  CONVINFO info{};
  info.cb = sizeof info;
  // Under Wine the client hears nothing when the bridge ends; the conversation's status does
  // tell.
  return DdeQueryConvInfo(conv_, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED);
}

bool StatusClient::EnsureConnected(DWORD now_ms, DWORD retry_ms) {
  if (!inst_) return false;
  if (conv_ && Connected()) return true;
  Disconnect();
  if (tried_ && now_ms - last_try_ < retry_ms) return false;
  tried_ = true;
  last_try_ = now_ms;
  HSZ service = DdeCreateStringHandleA(inst_, service_.c_str(), CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(inst_, topic_.c_str(), CP_WINANSI);
  CONVCONTEXT context{};
  context.cb = sizeof context;
  context.iCodePage = CP_WINANSI;
  conv_ = DdeConnect(inst_, service, topic, &context);
  DdeFreeStringHandle(inst_, service);
  DdeFreeStringHandle(inst_, topic);
  if (conv_) tried_ = false;
  return conv_ != nullptr;
}

StatusClient::Result StatusClient::Send(std::string_view macro, DWORD now_ms, DWORD retry_ms) {
  if (!EnsureConnected(now_ms, retry_ms)) return Result::kNoBridge;
  HDDEDATA handle =
      DdeCreateDataHandle(inst_, reinterpret_cast<LPBYTE>(const_cast<char*>(macro.data())),
                          static_cast<DWORD>(macro.size()), 0, nullptr, CF_TEXT, 0);
  if (!handle) return Result::kRefused;
  DWORD transaction = 0;
  // Asynchronous: a synchronous wait would hold up RotServer's window and every DDE connect
  // broadcast while the bridge is busy.
  HDDEDATA ok = DdeClientTransaction(reinterpret_cast<LPBYTE>(handle), 0xFFFFFFFF, conv_, nullptr,
                                     CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction);
  winedde::ReleaseSentExecuteData(handle);
  if (!ok) {
    Disconnect();  // perhaps gone without telling us: connect afresh next time
    return Result::kRefused;
  }
  winedde::AbandonCompletedExecutes(inst_, conv_);
  return Result::kSent;
}

const char* ResultName(StatusClient::Result result) {
  switch (result) {
    case StatusClient::Result::kSent:
      return "sent";
    case StatusClient::Result::kRefused:
      return "refused";
    default:
      return "nobridge";
  }
}

}  // namespace rotserver
