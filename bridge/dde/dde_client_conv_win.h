// The client side: at most one conversation with a server named by service and topic, opened
// on demand (starting the server program once when nobody answers), carrying macros as
// asynchronous executes. The bridge's component over common/dde: the conversation's calls are
// the common layer's; the server-program start, the macro text and the open and close events
// are the bridge's own.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <string>
#include <vector>

#include "dde/instance_win.h"

namespace vexal::dde {

class TDdeMgr;

class TDdeClientConv {
 public:
  TDdeClientConv();
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

  void ServerGone();  // the partner ended the conversation

  bool Connected() const { return conv_ != nullptr; }
  HCONV ConvHandle() const { return conv_; }
  const std::string& DdeService() const { return service_; }
  UINT DataFormat() const { return data_format_; }

 private:
  friend class TDdeMgr;
  void ManagerGone();  // the instance was uninitialised under us: drop handles silently

  bool TryConnect();
  bool ConnectAttempt();

  DWORD user_handle_ = 0;
  HCONV conv_ = nullptr;
  ddeml::StringHandle service_handle_;
  ddeml::StringHandle topic_handle_;
  std::string service_;
  std::string topic_;
  UINT data_format_ = 0;
};

}  // namespace vexal::dde
