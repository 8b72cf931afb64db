#include "bridge/dde/dde_server_conv_win.h"

#include "bridge/dde/macro_text.h"

namespace vexal::dde {

TDdeServerConv::TDdeServerConv(std::string name)
    : name_(std::move(name)), server_(ddeml::Server::Current()) {
  if (!server_) return;
  ddeml::TopicHandlers handlers;
  handlers.execute = [this](const ddeml::IncomingExecute& execute) { return Execute(execute); };
  handlers.connected = [this](HCONV) {
    if (OnOpen) OnOpen(*this);
  };
  handlers.disconnected = [this](HCONV) {
    if (OnClose) OnClose(*this);
  };
  topic_ = server_->AddTopic(name_, std::move(handlers));
}

TDdeServerConv::~TDdeServerConv() {
  // Only while the dispatcher this topic joined still lives.
  if (server_ && ddeml::Server::Current() == server_) server_->RemoveTopic(topic_);
}

ddeml::ExecuteAnswer TDdeServerConv::Execute(const ddeml::IncomingExecute& execute) {
  if (!execute.readable) return ddeml::ExecuteAnswer::kNotProcessed;
  if (!OnExecuteMacro) return ddeml::ExecuteAnswer::kAck;
  // Only within the size DDEML reports: the data need not end in a zero.
  std::vector<std::string> lines =
      SplitMacroLines(execute.bytes.substr(0, execute.bytes.find('\0')));
  execute.received->Release();
  OnExecuteMacro(*this, lines);
  return ddeml::ExecuteAnswer::kAck;
}

}  // namespace vexal::dde
