#include "dde/instance_win.h"

#include <cstdio>

#include "dde/wine_win.h"

namespace ddeml {

namespace {

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

CONVINFO InfoOf(HCONV conv, bool* known) {
  CONVINFO info{};
  info.cb = sizeof info;
  *known = conv && DdeQueryConvInfo(conv, QID_SYNC, &info);
  return info;
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string ErrorName(UINT code) {
  switch (code) {
    case DMLERR_NO_CONV_ESTABLISHED:
      return "no conversation established";
    case DMLERR_EXECACKTIMEOUT:
      return "execute acknowledgement timed out";
    case DMLERR_NOTPROCESSED:
      return "not processed";
    case DMLERR_SERVER_DIED:
      return "server died";
    case DMLERR_NO_ERROR:
      return "no error";
    default:
      break;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "DDEML error 0x%X", code);
  return buf;
}

Instance::Instance(PFNCALLBACK callback, DWORD flags) {
  UINT result = DdeInitializeA(&id_, callback ? callback : &NoCallback, flags, 0);
  if (result == DMLERR_NO_ERROR) return;
  error_ = id_ ? DdeGetLastError(id_) : result;
  if (error_ == DMLERR_NO_ERROR) error_ = result;
  if (id_) DdeUninitialize(id_);
  id_ = 0;
}

Instance::~Instance() {
  if (id_) DdeUninitialize(id_);
}

bool Instance::RegisterService(HSZ service) {
  return id_ && service && DdeNameService(id_, service, nullptr, DNS_REGISTER) != nullptr;
}

void Instance::WithdrawService(HSZ service) {
  if (id_ && service) DdeNameService(id_, service, nullptr, DNS_UNREGISTER);
}

std::string Instance::Text(HSZ hsz) const {
  char buf[256] = "";
  DWORD n = hsz && id_ ? DdeQueryStringA(id_, hsz, buf, sizeof buf, CP_WINANSI) : 0;
  return std::string(buf, n < sizeof buf ? n : sizeof buf - 1);
}

HDDEDATA Instance::WildConnectAnswer(HSZ service, HSZ topic) const {
  HSZPAIR pairs[2] = {{service, topic}, {nullptr, nullptr}};
  return DdeCreateDataHandle(id_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr,
                             CF_TEXT, 0);
}

StringHandle::StringHandle(DWORD instance_id, const std::string& text) : instance_(instance_id) {
  if (instance_id) hsz_ = DdeCreateStringHandleA(instance_id, text.c_str(), CP_WINANSI);
}

StringHandle& StringHandle::operator=(StringHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    instance_ = other.instance_;
    hsz_ = std::exchange(other.hsz_, nullptr);
  }
  return *this;
}

void StringHandle::Reset() {
  if (hsz_ && instance_) DdeFreeStringHandle(instance_, hsz_);
  hsz_ = nullptr;
}

ReceivedExecute::ReceivedExecute(HDDEDATA data)
    : data_(data), bytes_(data ? DdeAccessData(data, &size_) : nullptr) {}

ReceivedExecute::~ReceivedExecute() {
  Release();
  ReceivedExecuteData release(data_);  // after the access has ended
}

std::string_view ReceivedExecute::bytes() const {
  return bytes_ ? std::string_view(reinterpret_cast<const char*>(bytes_), size_)
                : std::string_view();
}

void ReceivedExecute::Release() {
  if (bytes_) DdeUnaccessData(data_);
  bytes_ = nullptr;
}

HCONV Connect(DWORD instance_id, HSZ service, HSZ topic, const CONVCONTEXT* context) {
  if (!instance_id) return nullptr;
  ConnectAttempt attempt;
  HCONV conv = DdeConnect(instance_id, service, topic, const_cast<CONVCONTEXT*>(context));
  if (!conv) attempt.Failed();
  return conv;
}

UINT ConversationFormat(HCONV conv) {
  bool known = false;
  CONVINFO info = InfoOf(conv, &known);
  return known && info.wFmt ? info.wFmt : CF_TEXT;
}

bool SetConversationUserHandle(HCONV conv, DWORD handle) {
  return conv && DdeSetUserHandle(conv, QID_SYNC, handle);
}

DWORD ConversationUserHandle(HCONV conv, bool* known) {
  return static_cast<DWORD>(InfoOf(conv, known).hUser);
}

HSZ PartnerService(HCONV conv) {
  bool known = false;
  CONVINFO info = InfoOf(conv, &known);
  return known ? info.hszSvcPartner : nullptr;
}

HSZ PartnerTopic(HCONV conv) {
  bool known = false;
  CONVINFO info = InfoOf(conv, &known);
  return known ? info.hszTopic : nullptr;
}

bool ExecuteAsync(DWORD instance_id, HCONV conv, std::string_view bytes, UINT format) {
  if (!instance_id || !conv) return false;
  HDDEDATA handle =
      DdeCreateDataHandle(instance_id, reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data())),
                          static_cast<DWORD>(bytes.size()), 0, nullptr, format, 0);
  if (!handle) return false;
  AbandonCompletedExecutes(instance_id, conv);
  DWORD transaction = 0;
  bool taken = DdeClientTransaction(reinterpret_cast<LPBYTE>(handle), 0xFFFFFFFF, conv, nullptr,
                                    format, XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction) != nullptr;
  ReleaseSentExecuteData(handle);
  return taken;
}

Reply Transact(HCONV conv, UINT type, HSZ item, std::string_view data, UINT format,
               DWORD timeout_ms) {
  Reply reply;
  // An execute sends exactly the bytes given, even none; the others send no data when empty.
  const char* bytes = type == XTYP_EXECUTE || !data.empty() ? data.data() : nullptr;
  HDDEDATA result = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(bytes)),
                                         static_cast<DWORD>(data.size()), conv, item, format, type,
                                         timeout_ms, &reply.status);
  reply.returned = result != nullptr;
  // Only a request returns a data handle; the others return TRUE.
  if (result && type == XTYP_REQUEST) {
    DWORD size = DdeGetData(result, nullptr, 0, 0);
    reply.data.resize(size);
    if (size) DdeGetData(result, reinterpret_cast<LPBYTE>(reply.data.data()), size, 0);
    DdeFreeDataHandle(result);
  }
  return reply;
}

}  // namespace ddeml
