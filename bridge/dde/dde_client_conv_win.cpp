#include "bridge/dde/dde_client_conv_win.h"

#include <cstring>
#include <exception>

#include "bridge/base/error_report_win.h"
#include "bridge/dde/dde_mgr_win.h"
#include "bridge/dde/macro_text.h"

namespace vexal::dde {

namespace {

DWORD InstanceId() {
  TDdeMgr* mgr = TDdeMgr::Instance();
  return mgr ? mgr->Id() : 0;
}

}  // namespace

TDdeClientConv::TDdeClientConv() {
  if (TDdeMgr* mgr = TDdeMgr::Instance()) user_handle_ = mgr->AddClient(this);
}

TDdeClientConv::~TDdeClientConv() {
  try {
    Unlink();
  } catch (const std::exception& e) {
    ShowException(e);  // from the close handler; destruction goes on
  }
  if (TDdeMgr* mgr = TDdeMgr::Instance(); mgr && user_handle_) mgr->RemoveClient(user_handle_);
}

bool TDdeClientConv::LinkTo(const std::string& service, const std::string& topic) {
  Unlink();
  return Relink(service, topic);
}

bool TDdeClientConv::Relink(const std::string& service, const std::string& topic) {
  Unlink();
  service_ = service;
  topic_ = topic;
  bool ok = TryConnect();
  if (!ok) {
    service_.clear();
    topic_.clear();
  }
  return ok;
}

bool TDdeClientConv::TryConnect() {
  DWORD inst = InstanceId();
  if (conv_ || !inst) return false;
  if (service_.empty() && topic_.empty()) return false;
  if (service_.size() > kMaxDdeNameLength || topic_.size() > kMaxDdeNameLength) return false;
  if (!service_handle_) service_handle_ = ddeml::StringHandle(inst, service_);
  if (!topic_handle_) topic_handle_ = ddeml::StringHandle(inst, topic_);

  bool connected = ConnectAttempt();
  if (!connected && (!service_.empty() || !ServiceApplication.empty())) {
    std::string command = ServiceApplication.empty() ? service_ + " " + topic_ : ServiceApplication;
    // The server is started once and asked once more; WinExec returns when it first waits
    // for input, by which time it has normally registered its service.
    if (command.size() <= kMaxDdeNameLength && WinExec(command.c_str(), SW_SHOWMINNOACTIVE) >= 32)
      connected = ConnectAttempt();
  }
  if (!connected) return false;
  data_format_ = ddeml::ConversationFormat(conv_);
  if (OnOpen) OnOpen(*this);
  return true;
}

bool TDdeClientConv::ConnectAttempt() {
  CONVCONTEXT context{};
  context.cb = sizeof context;
  context.iCodePage = CP_WINANSI;
  conv_ = ddeml::Connect(InstanceId(), service_handle_.get(), topic_handle_.get(), &context);
  if (!conv_) return false;
  ddeml::SetConversationUserHandle(conv_, user_handle_);
  return true;
}

void TDdeClientConv::Unlink() {
  std::exception_ptr close_error;
  if (conv_) {
    HCONV kept = conv_;
    try {
      ServerGone();  // raises OnClose while the handle is still set
    } catch (...) {
      close_error = std::current_exception();  // the conversation is ended all the same
    }
    ddeml::SetConversationUserHandle(kept, 0);
    DdeDisconnect(kept);
  }
  service_handle_.Reset();
  topic_handle_.Reset();
  service_.clear();
  topic_.clear();
  if (close_error) std::rethrow_exception(close_error);
}

void TDdeClientConv::ServerGone() {
  if (conv_ && OnClose) {
    try {
      OnClose(*this);  // sees the conversation still open
    } catch (...) {
      conv_ = nullptr;  // raised once, even when it throws
      throw;
    }
  }
  conv_ = nullptr;
}

void TDdeClientConv::ManagerGone() {
  conv_ = nullptr;
  service_handle_.Forget();
  topic_handle_.Forget();
  user_handle_ = 0;
}

bool TDdeClientConv::ExecuteLines(const std::vector<std::string>& lines) {
  if (!conv_) return false;
  return ExecuteText(MacroText(lines).c_str());
}

bool TDdeClientConv::ExecuteText(const char* text) {
  DWORD inst = InstanceId();
  if (!conv_ || !inst) return false;
  // The text and its terminating zero, in the format the server answered with.
  std::string_view bytes(text, std::strlen(text) + 1);
  if (ddeml::ExecuteAsync(inst, conv_, bytes, data_format_)) return true;
  // Refused: perhaps because the partner has gone without telling us.
  if (TDdeMgr* mgr = TDdeMgr::Instance()) mgr->PartnerGone().ExecuteRefused();
  return false;
}

}  // namespace vexal::dde
