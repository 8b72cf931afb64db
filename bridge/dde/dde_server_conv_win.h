// A DDE topic of this program: clients connect to our service with the component's name as
// topic and execute macros, which arrive here as lists of lines. A row of the process's DDE
// dispatcher (dde/server_win.h), which the TDdeMgr sets up.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dde/server_win.h"

namespace vexal::dde {

class TDdeServerConv {
 public:
  // Offered as a topic from construction to destruction (needs the TDdeMgr to exist).
  explicit TDdeServerConv(std::string name);
  ~TDdeServerConv();
  TDdeServerConv(const TDdeServerConv&) = delete;
  TDdeServerConv& operator=(const TDdeServerConv&) = delete;

  const std::string& Name() const { return name_; }

  // Called inside the DDE callback, before the client's execute is answered. An exception
  // from it answers the execute "not processed" and is reported once the callback returned.
  std::function<void(TDdeServerConv& sender, const std::vector<std::string>& msg)> OnExecuteMacro;
  std::function<void(TDdeServerConv&)> OnOpen, OnClose;

 private:
  ddeml::ExecuteAnswer Execute(const ddeml::IncomingExecute& execute);

  std::string name_;
  ddeml::Server* server_ = nullptr;
  ddeml::Server::TopicId topic_ = 0;
};

}  // namespace vexal::dde
