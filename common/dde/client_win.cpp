#include "dde/client_win.h"

#include "dde/wine_win.h"

namespace ddeml {

Client::Client(std::optional<std::string> service, std::optional<std::string> topic)
    : instance_(nullptr, APPCMD_CLIENTONLY) {
  if (!instance_.id()) return;
  if (service) service_ = StringHandle(instance_.id(), *service);
  if (topic) topic_ = StringHandle(instance_.id(), *topic);
  names_ok_ = (!service || service_) && (!topic || topic_);
}

Client::~Client() {
  Disconnect();
}

const char* Client::SetupError() const {
  if (!instance_.id()) return "no-instance";
  if (!names_ok_) return "no-string-handle";
  return nullptr;
}

bool Client::Connect(DWORD retry_ms, const CONVCONTEXT* context) {
  Disconnect();
  if (SetupError()) return false;
  const ULONGLONG deadline = GetTickCount64() + retry_ms;
  for (;;) {
    conv_ = ddeml::Connect(instance_.id(), service_.get(), topic_.get(), context);
    if (conv_ || GetTickCount64() >= deadline) return conv_ != nullptr;
    Sleep(100);
  }
}

void Client::Disconnect() {
  if (conv_) DdeDisconnect(conv_);
  conv_ = nullptr;
}

Client::Partner Client::PartnerNames() const {
  if (!conv_) return {};
  return {instance_.Text(PartnerService(conv_)), instance_.Text(PartnerTopic(conv_))};
}

Client::Answer Client::Execute(std::string_view bytes, DWORD timeout_ms) {
  Reply reply = Transact(XTYP_EXECUTE, std::string(), bytes, timeout_ms);
  Answer answer;
  answer.returned = reply.returned;
  answer.status = reply.status;
  if (!answer.returned) answer.error = reply.error;
  return answer;
}

Client::Queued Client::ExecuteAsync(std::string_view bytes) {
  Queued queued;
  queued.queued = ddeml::ExecuteAsync(instance_.id(), conv_, bytes, CF_TEXT);
  if (!queued.queued) queued.error = LastError();
  return queued;
}

Client::Reply Client::Transact(UINT type, const std::string& item, std::string_view data,
                               DWORD timeout_ms, UINT format) {
  // An execute names no item.
  StringHandle item_handle;
  if (type != XTYP_EXECUTE) item_handle = StringHandle(instance_.id(), item);
  AbandonCompletedExecutes(instance_.id(), conv_);
  LastError();  // cleared, so that the error read below is this transaction's
  ddeml::Reply sent = ddeml::Transact(conv_, type, item_handle.get(), data, format, timeout_ms);
  Reply reply;
  reply.error = LastError();
  reply.returned = sent.returned;
  reply.status = sent.status;
  reply.data = std::move(sent.data);
  return reply;
}

}  // namespace ddeml
