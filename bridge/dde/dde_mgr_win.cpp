#include "bridge/dde/dde_mgr_win.h"

#include <algorithm>
#include <stdexcept>

#include "bridge/base/error_report_win.h"
#include "bridge/base/error_texts.h"
#include "bridge/base/errors.h"
#include "bridge/base/program_forms_win.h"
#include "bridge/dde/dde_client_conv_win.h"
#include "bridge/dde/dde_server_conv_win.h"
#include "bridge/dde/macro_text.h"

namespace vexal::dde {

namespace {

TDdeMgr* instance = nullptr;

constexpr int kTopicBufferSize = 4096;

error_text::DdeInitFailure FailureOf(UINT error) {
  if (error == DMLERR_LOW_MEMORY || error == DMLERR_MEMORY_ERROR)
    return error_text::DdeInitFailure::LowMemory;
  if (error == DMLERR_NO_CONV_ESTABLISHED) return error_text::DdeInitFailure::NoConversation;
  return error_text::DdeInitFailure::Other;
}

bool SameName(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

void ReportCallbackError(const char* what) {
  PostErrorReport(what ? what : error_text::kUnknownDdeError);
}

}  // namespace

TDdeMgr::TDdeMgr() {
  if (instance) throw std::logic_error("a second DDE instance");
  partner_gone_ = std::make_unique<ddeml::PartnerGoneWatch>(
      [this] { CheckClients(); }, [this] { return AnyClientOpen(); }, &ReportCallbackError);
  instance_ = std::make_unique<ddeml::Instance>(&TDdeMgr::InstanceCallback, APPCLASS_STANDARD);
  if (UINT error = instance_->error())
    throw EDdeError(error_text::DdeInitFailed(FailureOf(error), error));
  id_ = instance_->id();
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  service_name_ = ServiceNameFromPath(std::string_view(path, n));
  instance = this;
  service_handle_ = ddeml::StringHandle(id_, service_name_);
  instance_->RegisterService(service_handle_.get());
}

TDdeMgr::~TDdeMgr() {
  partner_gone_->StopFollowUp();
  while (!server_convs_.empty()) DestroyRecord(server_convs_.back().get());
  for (auto& [id, target] : user_handles_)
    if (target.client) target.client->ManagerGone();
  user_handles_.clear();
  instance_->WithdrawService(service_handle_.get());
  service_handle_.Reset();
  instance_.reset();
  instance = nullptr;
}

TDdeMgr* TDdeMgr::Instance() {
  return instance;
}

void TDdeMgr::AddTopicComponent(TDdeServerConv* component) {
  topic_components_.push_back(component);
}

void TDdeMgr::RemoveTopicComponent(TDdeServerConv* component) {
  std::erase(topic_components_, component);
  // Open conversations on it stay open but have nobody to hand executes to any more.
  for (auto& record : server_convs_)
    if (record->component == component) record->component = nullptr;
}

DWORD TDdeMgr::AddClient(TDdeClientConv* client) {
  DWORD id = next_user_handle_++;
  user_handles_[id].client = client;
  return id;
}

void TDdeMgr::RemoveClient(DWORD id) {
  user_handles_.erase(id);
}

void TDdeMgr::CheckClients() {
  if (checking_clients_) return;
  checking_clients_ = true;
  std::vector<DWORD> ids;
  for (auto& [id, target] : user_handles_)
    if (target.client && target.client->ConvHandle()) ids.push_back(id);
  for (DWORD id : ids) {
    auto it = user_handles_.find(id);  // an OnClose handler may have removed it meanwhile
    if (it == user_handles_.end() || !it->second.client->ConvHandle()) continue;
    if (!ddeml::ConversationUp(it->second.client->ConvHandle())) it->second.client->ServerGone();
  }
  checking_clients_ = false;
}

bool TDdeMgr::AnyClientOpen() const {
  for (const auto& [id, target] : user_handles_)
    if (target.client && target.client->ConvHandle()) return true;
  return false;
}

HDDEDATA CALLBACK TDdeMgr::InstanceCallback(UINT type, UINT, HCONV conv, HSZ hsz1, HSZ hsz2,
                                            HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  TDdeMgr* mgr = Instance();
  if (!mgr) return nullptr;
  try {
    mgr->partner_gone_->CallbackStarts();
    return mgr->Dispatch(type, conv, hsz1, hsz2, data);
  } catch (const std::exception& e) {
    PostErrorReport(e.what());
  } catch (...) {
    PostErrorReport(error_text::kUnknownDdeError);
  }
  return type == XTYP_EXECUTE ? reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED) : nullptr;
}

HDDEDATA TDdeMgr::Dispatch(UINT type, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(ConnectTest(hsz2, hsz1) ? TRUE : FALSE);
    case XTYP_WILDCONNECT:
      return WildConnect(hsz2, hsz1);
    case XTYP_CONNECT_CONFIRM:
      Confirm(conv, hsz1);
      return nullptr;
    case XTYP_UNREGISTER:
      partner_gone_->PartnerUnregistered();
      return nullptr;
    case XTYP_XACT_COMPLETE:  // nobody waits for an execute: each is abandoned once sent
      return nullptr;
    default:
      break;
  }
  if (!conv) return nullptr;
  return DispatchConversation(type, conv, data);
}

HDDEDATA TDdeMgr::DispatchConversation(UINT type, HCONV conv, HDDEDATA data) {
  bool ok = false;
  DWORD handle = ddeml::ConversationUserHandle(conv, &ok);
  if (!ok) return nullptr;
  auto it = user_handles_.find(handle);
  if (handle == 0 || it == user_handles_.end()) return nullptr;
  UserHandleTarget target = it->second;
  switch (type) {
    case XTYP_EXECUTE:
      if (!target.server) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
      return Execute(*target.server, data);
    case XTYP_DISCONNECT:
      if (target.client) target.client->ServerGone();
      if (target.server) Disconnect(target.server);
      return nullptr;
    case XTYP_POKE:
      return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    default:  // requests, advise starts and stops: we offer no items
      return nullptr;
  }
}

std::string TDdeMgr::QueryTopic(HSZ topic) const {
  return instance_->Text(topic);
}

TDdeServerConv* TDdeMgr::FindTopicComponent(const std::string& topic) const {
  for (TDdeServerConv* component : topic_components_)
    if (SameName(component->Name(), topic)) return component;
  return nullptr;
}

HWND TDdeMgr::FindTopicWindow(const std::string& topic) const {
  // Only the program's forms: a client must not reach an error box or the IME's window.
  for (HWND form : ProgramForms()) {
    char caption[kTopicBufferSize];
    int n = GetWindowTextA(form, caption, sizeof caption);
    // An empty topic is no form's name.
    if (n > 0 && SameName(std::string(caption, n), topic)) return form;
  }
  return nullptr;
}

bool TDdeMgr::ConnectTest(HSZ service, HSZ topic) {
  if (service && !service_handle_.Matches(service)) return false;
  if (!topic) return false;
  std::string name = QueryTopic(topic);
  return FindTopicComponent(name) || FindTopicWindow(name);
}

HDDEDATA TDdeMgr::WildConnect(HSZ service, HSZ topic) {
  if (!topic || !ConnectTest(service, topic)) return nullptr;
  return instance_->WildConnectAnswer(service_handle_.get(), topic);
}

void TDdeMgr::Confirm(HCONV conv, HSZ topic) {
  auto record = std::make_unique<TDdeSrvrConv>();
  record->topic = QueryTopic(topic);
  record->component = FindTopicComponent(record->topic);
  if (!record->component) record->topic_window = FindTopicWindow(record->topic);
  record->conv = conv;
  record->id = next_user_handle_++;
  user_handles_[record->id].server = record.get();
  ddeml::SetConversationUserHandle(conv, record->id);
  TDdeServerConv* component = record->component;
  server_convs_.push_back(std::move(record));
  if (component && component->OnOpen) component->OnOpen(*component);
}

void TDdeMgr::Disconnect(TDdeSrvrConv* record) {
  if (record->component && record->component->OnClose)
    record->component->OnClose(*record->component);
  if (record->conv) {
    ddeml::SetConversationUserHandle(record->conv, 0);
    record->conv = nullptr;
  }
  DestroyRecord(record);
}

void TDdeMgr::DestroyRecord(TDdeSrvrConv* record) {
  if (record->conv) {
    ddeml::SetConversationUserHandle(record->conv, 0);
    DdeDisconnect(record->conv);
  }
  user_handles_.erase(record->id);
  std::erase_if(server_convs_, [record](const auto& r) { return r.get() == record; });
}

HDDEDATA TDdeMgr::Execute(TDdeSrvrConv& record, HDDEDATA data) {
  ddeml::ReceivedExecute received(data);
  const auto not_processed = reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
  if (!record.component) return not_processed;
  if (!received.readable()) return not_processed;
  TDdeServerConv& component = *record.component;
  if (!component.OnExecuteMacro) return reinterpret_cast<HDDEDATA>(DDE_FACK);
  // Only within the size DDEML reports: the data need not end in a zero.
  std::string_view bytes = received.bytes();
  std::vector<std::string> lines = SplitMacroLines(bytes.substr(0, bytes.find('\0')));
  received.Release();
  try {
    component.OnExecuteMacro(component, lines);
  } catch (const std::exception& e) {
    PostErrorReport(e.what());
    return not_processed;
  }
  return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

}  // namespace vexal::dde
