#include "server_mode_win.h"

#include <windows.h>

#include <memory>
#include <string>

#include "toolkit/byte_text.h"
#include "sim_mapping.h"
#include "dde/server_win.h"
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

ddeml::ExecuteAnswer AnswerFor(Ack ack) {
  switch (ack) {
    case Ack::kBusy:
      return ddeml::ExecuteAnswer::kBusy;
    case Ack::kNotProcessed:
      return ddeml::ExecuteAnswer::kNotProcessed;
    default:
      return ddeml::ExecuteAnswer::kAck;
  }
}

class RotServer {
 public:
  RotServer(const Options& options, toolkit::LineLog& log, CommandSink* sink)
      : options_(options), log_(log), sink_(sink) {
    service_ = options.service.value_or(DefaultServiceName());
    topic_ = options.topic.value_or(wire::kCommandTopic);
  }

  int Run() {
    ddeml::ServerSetup setup;
    setup.service = service_;
    setup.topic = topic_;
    setup.register_now = options_.register_delay_ms == 0;
    setup.answer_wild_connects = true;
    std::string error;
    server_ = ddeml::Server::Start(std::move(setup), Handlers(), &error);
    if (!server_) {
      log_.Line("error " + error);
      return 1;
    }
    UINT_PTR register_timer = 0;
    if (server_->registered())
      LogRegistered();
    else
      register_timer = SetTimer(nullptr, 0, options_.register_delay_ms, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (register_timer && msg.hwnd == nullptr && msg.message == WM_TIMER &&
          msg.wParam == register_timer) {
        KillTimer(nullptr, register_timer);
        register_timer = 0;
        RegisterLate();
        continue;
      }
      if (msg.hwnd == nullptr && msg.message == kMsgEndConversation) {
        HCONV conv = msg.wParam ? reinterpret_cast<HCONV>(msg.wParam) : current_;
        if (EndConversation(conv)) break;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    // Ended by "quit": the program goes with its service still offered, as a server that is
    // closed abruptly, and its partners find it gone. Withdrawn and uninitialised first (as
    // --end-mode exit does), under Wine the partner's next link, to a new simulator, failed.
    if (server_) static_cast<void>(server_.release());
    bool behaved = malformed_ == 0 && (!sink_ || sink_->PartnerBehaved());
    log_.Line("exit status=" + std::to_string(behaved ? 0 : 3) +
              " malformed=" + std::to_string(malformed_));
    return behaved ? 0 : 3;
  }

 private:
  ddeml::ServerHandlers Handlers() {
    ddeml::ServerHandlers handlers;
    handlers.execute = [this](const ddeml::IncomingExecute& e) { return Execute(e); };
    handlers.connected = [this](HCONV conv) {
      current_ = conv;
      log_.Line("connect conv=" + ConvName(conv));
    };
    handlers.disconnected = [this](HCONV conv) {
      if (current_ == conv) current_ = nullptr;
      log_.Line("disconnect conv=" + ConvName(conv));
    };
    return handlers;
  }

  void LogRegistered() { log_.Line("registered service=" + service_ + " topic=" + topic_); }

  void RegisterLate() {
    if (server_->Register())
      LogRegistered();
    else
      log_.Line("error cannot register service=" + service_);
  }

  // True when the program should end.
  bool EndConversation(HCONV conv) {
    if (!conv && options_.end_mode == EndMode::kTerminate) {
      log_.Line("end: no conversation");
      return false;
    }
    if (options_.end_mode == EndMode::kExit) {
      server_.reset();  // withdraws the service and ends every conversation
      log_.Line("end exit");
      return true;
    }
    if (!server_->End(conv)) {
      log_.Line("end terminate failed: no conversation " + ConvName(conv));
      return false;
    }
    log_.Line("end terminate conv=" + ConvName(conv));
    return false;
  }

  ddeml::ExecuteAnswer Execute(const ddeml::IncomingExecute& execute) {
    const std::string_view received = execute.bytes;
    ++executes_;
    log_.Line("execute " + std::to_string(executes_) + " conv=" + ConvName(execute.conv) +
              " fmt=" + std::to_string(execute.format) + " size=" +
              std::to_string(received.size()) + " hex=" + toolkit::HexBytes(received) + " text=\"" +
              toolkit::EscapedText(received) + "\" answer=" + AckName(options_.ack));
    if (!IsWellFormedCommand(received)) {
      ++malformed_;
      log_.Line("malformed command " + std::to_string(executes_));
    }
    if (sink_) sink_->Command(received);
    if (options_.end_after && executes_ == options_.end_after)
      PostThreadMessageA(GetCurrentThreadId(), kMsgEndConversation,
                         reinterpret_cast<WPARAM>(execute.conv), 0);
    return AnswerFor(options_.ack);
  }

  const Options& options_;
  toolkit::LineLog& log_;
  CommandSink* sink_;
  std::string service_;
  std::string topic_;
  std::unique_ptr<ddeml::Server> server_;
  unsigned executes_ = 0;
  unsigned malformed_ = 0;
  HCONV current_ = nullptr;
};

}  // namespace

void RequestEndConversation() {
  PostThreadMessageA(GetCurrentThreadId(), kMsgEndConversation, 0, 0);
}

int RunServer(const Options& options, toolkit::LineLog& log, CommandSink* sink) {
  return RotServer(options, log, sink).Run();
}

}  // namespace rotsim
