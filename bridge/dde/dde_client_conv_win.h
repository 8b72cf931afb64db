// The client side: at most one conversation with a server named by service and topic, opened
// on demand (starting the server program once when nobody answers), carrying macros as
// asynchronous executes. The bridge's component over common/dde's client link on the
// process's one instance; the server-program start, the macro text and the open and close
// events are the bridge's own.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <string>
#include <vector>

#include "dde/client_link_win.h"

namespace vexal::dde {

class TDdeClientConv {
 public:
  TDdeClientConv();  // needs the TDdeMgr to exist
  ~TDdeClientConv();  // Unlink
  TDdeClientConv(const TDdeClientConv&) = delete;
  TDdeClientConv& operator=(const TDdeClientConv&) = delete;

  // Command line started (minimised, not activated) when the first connect finds no server;
  // empty means "service topic".
  std::string ServiceApplication;
  std::function<void(TDdeClientConv&)> OnOpen, OnClose;

  bool LinkTo(const std::string& service, const std::string& topic);
  bool Relink(const std::string& service, const std::string& topic);
  void Unlink();

  // Both send asynchronously; true means DDEML took the transaction, not that the server
  // acknowledged it.
  bool ExecuteLines(const std::vector<std::string>& lines);
  bool ExecuteText(const char* text);

  void ServerGone() { link_.PartnerGone(); }  // the partner ended the conversation

  bool Connected() const { return link_.conv() != nullptr; }
  HCONV ConvHandle() const { return link_.conv(); }

 private:
  bool TryConnect(const std::string& service, const std::string& topic);
  bool ConnectAttempt(const std::string& service, const std::string& topic);

  ddeml::ClientLink link_;
};

}  // namespace vexal::dde
