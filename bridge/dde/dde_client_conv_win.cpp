#include "bridge/dde/dde_client_conv_win.h"

#include <cstring>
#include <exception>

#include "bridge/base/error_report_win.h"
#include "bridge/dde/dde_mgr_win.h"
#include "bridge/dde/macro_text.h"
#include "bridge/dde/wine_win.h"

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
  if (!service_handle_)
    service_handle_ = DdeCreateStringHandleA(inst, service_.c_str(), CP_WINANSI);
  if (!topic_handle_) topic_handle_ = DdeCreateStringHandleA(inst, topic_.c_str(), CP_WINANSI);

  bool connected = ConnectAttempt();
  if (!connected && (!service_.empty() || !ServiceApplication.empty())) {
    std::string command = ServiceApplication.empty() ? service_ + " " + topic_ : ServiceApplication;
    // The server is started once and asked once more; WinExec returns when it first waits
    // for input, by which time it has normally registered its service.
    if (command.size() <= kMaxDdeNameLength && WinExec(command.c_str(), SW_SHOWMINNOACTIVE) >= 32)
      connected = ConnectAttempt();
  }
  if (!connected) return false;
  CONVINFO info{};
  info.cb = sizeof info;
  DdeQueryConvInfo(conv_, QID_SYNC, &info);
  data_format_ = info.wFmt ? info.wFmt : CF_TEXT;
  if (OnOpen) OnOpen(*this);
  return true;
}

bool TDdeClientConv::ConnectAttempt() {
  CONVCONTEXT context{};
  context.cb = sizeof context;
  context.iCodePage = CP_WINANSI;
  conv_ = DdeConnect(InstanceId(), service_handle_, topic_handle_, &context);
  if (!conv_) return false;
  DdeSetUserHandle(conv_, QID_SYNC, user_handle_);
  return true;
}

void TDdeClientConv::Unlink() {
  DWORD inst = InstanceId();
  std::exception_ptr close_error;
  if (conv_) {
    HCONV kept = conv_;
    try {
      ServerGone();  // raises OnClose while the handle is still set
    } catch (...) {
      close_error = std::current_exception();  // the conversation is ended all the same
    }
    DdeSetUserHandle(kept, QID_SYNC, 0);
    DdeDisconnect(kept);
  }
  if (service_handle_) {
    if (inst) DdeFreeStringHandle(inst, service_handle_);
    service_handle_ = nullptr;
  }
  if (topic_handle_) {
    if (inst) DdeFreeStringHandle(inst, topic_handle_);
    topic_handle_ = nullptr;
  }
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

void TDdeClientConv::TransactionDone() {
  waiting_ = false;
}

void TDdeClientConv::ManagerGone() {
  conv_ = nullptr;
  service_handle_ = nullptr;
  topic_handle_ = nullptr;
  user_handle_ = 0;
}

bool TDdeClientConv::ExecuteLines(const std::vector<std::string>& lines, bool wait) {
  if (!conv_ || waiting_) return false;
  return ExecuteText(MacroText(lines).c_str(), wait);
}

bool TDdeClientConv::ExecuteText(const char* text, bool wait) {
  DWORD inst = InstanceId();
  if (!conv_ || waiting_ || !inst) return false;
  HDDEDATA data =
      DdeCreateDataHandle(inst, reinterpret_cast<LPBYTE>(const_cast<char*>(text)),
                          static_cast<DWORD>(std::strlen(text) + 1), 0, nullptr, data_format_, 0);
  if (!data) return false;
  if (wait) waiting_ = true;
  DWORD transaction = 0;
  HCONV conv = conv_;
  HDDEDATA result = DdeClientTransaction(reinterpret_cast<LPBYTE>(data), 0xFFFFFFFF, conv, nullptr,
                                         data_format_, XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction);
  ReleaseSentExecuteData(data);
  if (!result) {
    waiting_ = false;
    // Refused: perhaps because the partner has gone without telling us.
    if (TDdeMgr* mgr = TDdeMgr::Instance()) mgr->PartnerGone().ExecuteRefused();
    return false;
  }
  if (!wait) AbandonCompletedExecutes(inst, conv);
  return true;
}

}  // namespace vexal::dde
