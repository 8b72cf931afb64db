// The program's one DDE instance: registers the program's service name and offers its topics
// (the components of dde_server_conv_win.h, and a topic named after any of the program's
// forms), with its client conversations (dde_client_conv_win.h) on the same instance. The
// bridge's component over common/dde's dispatcher, which holds the instance, the handles and
// every Wine compensation (dde/wine_win.h); what stays here is the bridge's own: the service
// name from the program's path, the forms as topics, and errors reported in the error box.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "dde/server_win.h"

namespace vexal::dde {

class TDdeMgr {
 public:
  TDdeMgr();  // throws EDdeError when DDEML cannot be initialised
  ~TDdeMgr();
  TDdeMgr(const TDdeMgr&) = delete;
  TDdeMgr& operator=(const TDdeMgr&) = delete;

  DWORD Id() const { return server_->id(); }

  // To be called by the message loop after each message it dispatched.
  void MessageDispatched(const MSG& msg) { server_->MessageDispatched(msg); }

 private:
  std::string service_name_;
  std::unique_ptr<ddeml::Server> server_;
};

}  // namespace vexal::dde
