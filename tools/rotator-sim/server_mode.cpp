#include "server_mode.h"

#include <windows.h>
#include <dde.h>
#include <ddeml.h>

#include <algorithm>
#include <string>

#include "byte_text.h"
#include "sim_mapping.h"
#include "wire/wire.h"

namespace rotsim {

namespace {

constexpr UINT kMsgEndConversation = WM_APP + 10;

const char* AckName(Ack ack) {
  switch (ack) {
    case Ack::kBusy:
      return "busy";
    case Ack::kNotProcessed:
      return "notprocessed";
    default:
      return "fack";
  }
}

std::string ConvName(HCONV conv) {
  return std::to_string(reinterpret_cast<ULONG_PTR>(conv));
}

class RotServer {
 public:
  RotServer(const Options& options, SimLog& log, CommandSink* sink)
      : options_(options), log_(log), sink_(sink) {
    service_ = options.service.value_or(DefaultServiceName());
    topic_ = options.topic.value_or(wire::kCommandTopic);
  }

  int Run() {
    self_ = this;
    if (DdeInitializeA(&inst_, &Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) {
      log_.Line("error DdeInitialize failed");
      return 1;
    }
    service_handle_ = DdeCreateStringHandleA(inst_, service_.c_str(), CP_WINANSI);
    topic_handle_ = DdeCreateStringHandleA(inst_, topic_.c_str(), CP_WINANSI);
    if (options_.register_delay_ms == 0)
      Register();
    else
      SetTimer(nullptr, 0, options_.register_delay_ms, &DelayedRegister);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.hwnd == nullptr && msg.message == kMsgEndConversation) {
        HCONV conv = msg.wParam ? reinterpret_cast<HCONV>(msg.wParam) : current_;
        if (EndConversation(conv)) break;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    bool behaved = malformed_ == 0 && (!sink_ || sink_->PartnerBehaved());
    log_.Line("exit status=" + std::to_string(behaved ? 0 : 3) +
              " malformed=" + std::to_string(malformed_));
    return behaved ? 0 : 3;
  }

 private:
  void Register() {
    DdeNameService(inst_, service_handle_, nullptr, DNS_REGISTER);
    log_.Line("registered service=" + service_ + " topic=" + topic_);
  }

  static void CALLBACK DelayedRegister(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    self_->Register();
  }

  // True when the program should end.
  bool EndConversation(HCONV conv) {
    if (!conv && options_.end_mode == EndMode::kTerminate) {
      log_.Line("end: no conversation");
      return false;
    }
    if (options_.end_mode == EndMode::kExit) {
      DdeNameService(inst_, service_handle_, nullptr, DNS_UNREGISTER);
      DdeFreeStringHandle(inst_, service_handle_);
      DdeFreeStringHandle(inst_, topic_handle_);
      DdeUninitialize(inst_);
      log_.Line("end exit");
      return true;
    }
    // DdeDisconnect does nothing on a server under Wine: terminate as DDE itself would.
    CONVINFO info{};
    info.cb = sizeof info;
    if (!DdeQueryConvInfo(conv, QID_SYNC, &info)) {
      log_.Line("end terminate failed: no conversation " + ConvName(conv));
      return false;
    }
    PostMessageA(info.hwndPartner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(info.hwnd), 0);
    log_.Line("end terminate conv=" + ConvName(conv));
    return false;
  }

  bool TopicMatches(HSZ topic) { return topic && DdeCmpStringHandles(topic, topic_handle_) == 0; }

  bool ServiceMatches(HSZ service) {
    return !service || DdeCmpStringHandles(service, service_handle_) == 0;
  }

  HDDEDATA Execute(HCONV conv, HDDEDATA data, UINT fmt) {
    DWORD size = 0;
    const BYTE* bytes = DdeAccessData(data, &size);
    std::string received = bytes ? std::string(reinterpret_cast<const char*>(bytes), size) : "";
    if (bytes) DdeUnaccessData(data);
    ++executes_;
    log_.Line("execute " + std::to_string(executes_) + " conv=" + ConvName(conv) + " fmt=" +
              std::to_string(fmt) + " size=" + std::to_string(size) + " hex=" + HexBytes(received) +
              " text=\"" + EscapedText(received) + "\" answer=" + AckName(options_.ack));
    if (!IsWellFormedCommand(received)) {
      ++malformed_;
      log_.Line("malformed command " + std::to_string(executes_));
    }
    if (sink_) sink_->Command(received);
    if (options_.end_after && executes_ == options_.end_after)
      PostThreadMessageA(GetCurrentThreadId(), kMsgEndConversation, reinterpret_cast<WPARAM>(conv),
                         0);
    switch (options_.ack) {
      case Ack::kBusy:
        return reinterpret_cast<HDDEDATA>(DDE_FBUSY);
      case Ack::kNotProcessed:
        return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
      default:
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
  }

  static HDDEDATA CALLBACK Callback(UINT type, UINT fmt, HCONV conv, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    RotServer& s = *self_;
    switch (type) {
      case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(s.ServiceMatches(hsz2) && s.TopicMatches(hsz1));
      case XTYP_WILDCONNECT: {
        if (!s.ServiceMatches(hsz2) || (hsz1 && !s.TopicMatches(hsz1))) return nullptr;
        HSZPAIR pairs[2] = {{s.service_handle_, s.topic_handle_}, {nullptr, nullptr}};
        return DdeCreateDataHandle(s.inst_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0,
                                   nullptr, CF_TEXT, 0);
      }
      case XTYP_CONNECT_CONFIRM:
        s.current_ = conv;
        s.log_.Line("connect conv=" + ConvName(conv));
        return nullptr;
      case XTYP_DISCONNECT:
        if (s.current_ == conv) s.current_ = nullptr;
        s.log_.Line("disconnect conv=" + ConvName(conv));
        return nullptr;
      case XTYP_EXECUTE:
        return s.Execute(conv, data, fmt);
      case XTYP_POKE:
        return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
      default:
        return nullptr;
    }
  }

  static RotServer* self_;
  const Options& options_;
  SimLog& log_;
  CommandSink* sink_;
  std::string service_;
  std::string topic_;
  DWORD inst_ = 0;
  HSZ service_handle_ = nullptr;
  HSZ topic_handle_ = nullptr;
  unsigned executes_ = 0;
  unsigned malformed_ = 0;
  HCONV current_ = nullptr;
};

RotServer* RotServer::self_ = nullptr;

}  // namespace

void RequestEndConversation() {
  PostThreadMessageA(GetCurrentThreadId(), kMsgEndConversation, 0, 0);
}

int RunServer(const Options& options, SimLog& log, CommandSink* sink) {
  return RotServer(options, log, sink).Run();
}

}  // namespace rotsim
