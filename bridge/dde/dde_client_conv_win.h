// The client side: at most one conversation with a server named by service and topic, opened
// on demand (starting the server program once when nobody answers), carrying macros as
// asynchronous executes.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <string>
#include <vector>

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
  bool ExecuteLines(const std::vector<std::string>& lines, bool wait);
  bool ExecuteText(const char* text, bool wait);

  void ServerGone();       // the partner ended the conversation
  void TransactionDone();  // a waited-for execute has completed

  bool Connected() const { return conv_ != nullptr; }
  HCONV ConvHandle() const { return conv_; }
  const std::string& DdeService() const { return service_; }
  const std::string& DdeTopic() const { return topic_; }
  UINT DataFormat() const { return data_format_; }
  bool Waiting() const { return waiting_; }

 private:
  friend class TDdeMgr;
  void ManagerGone();  // the instance was uninitialised under us: drop handles silently

  bool TryConnect();
  bool ConnectAttempt();

  DWORD user_handle_ = 0;
  HCONV conv_ = nullptr;
  HSZ service_handle_ = nullptr;
  HSZ topic_handle_ = nullptr;
  std::string service_;
  std::string topic_;
  UINT data_format_ = 0;
  bool waiting_ = false;
};

}  // namespace vexal::dde
