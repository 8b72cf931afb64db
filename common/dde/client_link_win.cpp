#include "dde/client_link_win.h"

#include <exception>
#include <vector>

#include "dde/server_win.h"
#include "dde/wine_win.h"

namespace ddeml {

ClientLink::ClientLink(std::function<void()> closed)
    : closed_(std::move(closed)), server_(Server::Current()) {
  if (server_) user_handle_ = server_->AddClient(this);
}

ClientLink::~ClientLink() {
  if (conv_) {
    SetConversationUserHandle(conv_, 0);
    DdeDisconnect(conv_);
  }
  if (server_) server_->RemoveClient(user_handle_);
}

bool ClientLink::Connect(const std::string& service, const std::string& topic,
                         const CONVCONTEXT* context) {
  DWORD instance_id = server_ ? server_->id() : 0;
  if (conv_ || !instance_id) return false;
  if (!service_) service_ = StringHandle(instance_id, service);
  if (!topic_) topic_ = StringHandle(instance_id, topic);
  conv_ = ddeml::Connect(instance_id, service_.get(), topic_.get(), context);
  if (!conv_) return false;
  SetConversationUserHandle(conv_, user_handle_);
  format_ = ConversationFormat(conv_);
  return true;
}

void ClientLink::Close() {
  std::exception_ptr close_error;
  if (HCONV kept = conv_) {
    try {
      PartnerGone();  // `closed` while the handle is still set
    } catch (...) {
      close_error = std::current_exception();  // the conversation is ended all the same
    }
    SetConversationUserHandle(kept, 0);
    DdeDisconnect(kept);
  }
  service_.Reset();
  topic_.Reset();
  if (close_error) std::rethrow_exception(close_error);
}

void ClientLink::PartnerGone() {
  if (conv_ && closed_) {
    try {
      closed_();  // sees the conversation still open
    } catch (...) {
      conv_ = nullptr;  // raised once, even when it throws
      throw;
    }
  }
  conv_ = nullptr;
}

bool ClientLink::ExecuteAsync(std::string_view bytes) {
  DWORD instance_id = server_ ? server_->id() : 0;
  if (!conv_ || !instance_id) return false;
  if (ddeml::ExecuteAsync(instance_id, conv_, bytes, format_)) return true;
  // Refused: perhaps because the partner has gone without telling us.
  server_->CheckClients();
  return false;
}

void ClientLink::ServerGone() {
  conv_ = nullptr;
  service_.Forget();
  topic_.Forget();
  user_handle_ = 0;
  server_ = nullptr;
}

DWORD Server::AddClient(ClientLink* link) {
  DWORD id = next_user_handle_++;
  targets_[id].client = link;
  return id;
}

void Server::RemoveClient(DWORD id) {
  targets_.erase(id);
}

void Server::CheckClients() {
  if (checking_clients_) return;
  checking_clients_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{checking_clients_};
  std::vector<DWORD> open;
  for (auto& [id, target] : targets_)
    if (target.client && target.client->conv()) open.push_back(id);
  for (DWORD id : open) {
    auto it = targets_.find(id);  // a `closed` handler may have removed it meanwhile
    if (it == targets_.end() || !it->second.client || !it->second.client->conv()) continue;
    if (!ConversationUp(it->second.client->conv())) it->second.client->PartnerGone();
  }
}

bool Server::AnyClientOpen() const {
  for (const auto& [id, target] : targets_)
    if (target.client && target.client->conv()) return true;
  return false;
}

}  // namespace ddeml
