#include "bridge/dde/dde_client_conv_win.h"

#include <cstring>
#include <exception>

#include "bridge/base/error_report_win.h"
#include "bridge/dde/macro_text.h"

namespace vexal::dde {

TDdeClientConv::TDdeClientConv()
    : link_([this] {
        if (OnClose) OnClose(*this);
      }) {}

TDdeClientConv::~TDdeClientConv() {
  try {
    Unlink();
  } catch (const std::exception& e) {
    ShowException(e);  // from the close handler; destruction goes on
  }
}

bool TDdeClientConv::LinkTo(const std::string& service, const std::string& topic) {
  Unlink();
  return Relink(service, topic);
}

bool TDdeClientConv::Relink(const std::string& service, const std::string& topic) {
  Unlink();
  return TryConnect(service, topic);
}

bool TDdeClientConv::TryConnect(const std::string& service, const std::string& topic) {
  if (Connected() || !link_.joined()) return false;
  if (service.empty() && topic.empty()) return false;
  if (service.size() > kMaxDdeNameLength || topic.size() > kMaxDdeNameLength) return false;
  bool connected = ConnectAttempt(service, topic);
  if (!connected && (!service.empty() || !ServiceApplication.empty())) {
    std::string command = ServiceApplication.empty() ? service + " " + topic : ServiceApplication;
    // The server is started once and asked once more; WinExec returns when it first waits
    // for input, by which time it has normally registered its service.
    if (command.size() <= kMaxDdeNameLength && WinExec(command.c_str(), SW_SHOWMINNOACTIVE) >= 32)
      connected = ConnectAttempt(service, topic);
  }
  if (!connected) return false;
  if (OnOpen) OnOpen(*this);
  return true;
}

bool TDdeClientConv::ConnectAttempt(const std::string& service, const std::string& topic) {
  CONVCONTEXT context{};
  context.cb = sizeof context;
  context.iCodePage = CP_WINANSI;
  return link_.Connect(service, topic, &context);
}

void TDdeClientConv::Unlink() {
  link_.Close();  // raises OnClose while the handle is still set
}

bool TDdeClientConv::ExecuteLines(const std::vector<std::string>& lines) {
  if (!Connected()) return false;
  return ExecuteText(MacroText(lines).c_str());
}

bool TDdeClientConv::ExecuteText(const char* text) {
  // The text and its terminating zero, in the format the server answered with.
  return link_.ExecuteAsync(std::string_view(text, std::strlen(text) + 1));
}

}  // namespace vexal::dde
