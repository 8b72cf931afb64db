#include "rotserver/win/dde_link_win.h"

#include <algorithm>

#include "rotserver/win/callback_errors_win.h"
#include "wire/wire.h"

namespace rotserver {

std::string ServiceNameFromModule() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, n);
  std::replace(name.begin(), name.end(), '/', '\\');  // either separator ends a folder here
  return wire::RotatorServiceName(name);
}

std::unique_ptr<CommandServer> CommandServer::Register(const std::string& service,
                                                       const std::string& topic, Handler handler,
                                                       std::string* error) {
  if (service.empty()) {
    *error = "no DDE service name (the program's file name is too short)";
    return nullptr;
  }
  std::unique_ptr<CommandServer> server(new CommandServer(service, topic));
  CommandServer* self = server.get();
  ddeml::ServerHandlers handlers;
  // The bridge takes anything but DDE_FACK as a failure, whatever the bytes were: every
  // execute is acknowledged and the front end decides what it means. One that throws is
  // answered "not processed" by the layer and reported here.
  handlers.execute = [handler = std::move(handler)](const ddeml::IncomingExecute& execute) {
    if (handler) handler(execute.bytes);
    return ddeml::ExecuteAnswer::kAck;
  };
  handlers.connected = [self](HCONV conv) { self->conversations_.push_back(conv); };
  handlers.disconnected = [self](HCONV conv) {
    auto& list = self->conversations_;
    list.erase(std::remove(list.begin(), list.end(), conv), list.end());
  };
  handlers.failed = [](const char* what) {
    ReportCallbackError("error in a DDE transaction", what ? what : "unknown error");
  };
  std::string why;
  server->server_ = ddeml::Server::Start({service, topic, true, true}, std::move(handlers), &why);
  if (!server->server_) {
    *error = "the DDE service " + service + " could not be registered: " + why;
    return nullptr;
  }
  return server;
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

StatusClient::StatusClient(std::string service, std::string topic,
                           std::string partner_window_class)
    : client_(std::move(service), std::move(topic)),
      partner_window_class_(std::move(partner_window_class)) {}

bool StatusClient::EnsureConnected(DWORD now_ms, DWORD retry_ms) {
  if (client_.SetupError()) return false;
  if (client_.Up()) return true;
  client_.Disconnect();
  if (!partner_window_class_.empty() && !FindWindowA(partner_window_class_.c_str(), nullptr))
    return false;
  if (tried_ && now_ms - last_try_ < retry_ms) return false;
  tried_ = true;
  last_try_ = now_ms;
  CONVCONTEXT context{};
  context.cb = sizeof context;
  context.iCodePage = CP_WINANSI;
  if (!client_.Connect(0, &context)) return false;
  tried_ = false;
  return true;
}

StatusClient::Result StatusClient::Send(std::string_view macro, DWORD now_ms, DWORD retry_ms) {
  if (!EnsureConnected(now_ms, retry_ms)) return Result::kNoBridge;
  // Asynchronous: a synchronous wait would hold up RotServer's window and every DDE connect
  // broadcast while the bridge is busy.
  if (client_.ExecuteAsync(macro).queued) return Result::kSent;
  client_.Disconnect();  // perhaps gone without telling us: connect afresh next time
  return Result::kRefused;
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
