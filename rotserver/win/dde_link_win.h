// RotServer's two DDE conversations with the bridge:
// - CommandServer: the service named after the program ("RotServer") with the topic
//   "RotServConv", on which the bridge executes its greeting and its target commands. Every
//   execute is acknowledged with DDE_FACK and handed on byte for byte.
// - StatusClient: a conversation to the bridge's topic "AntDaten", on which RotServer executes
//   its status macros asynchronously, connecting again whenever the bridge is gone.
// Both sit on the one DDE layer (common/dde) and live on the thread that created them, whose
// message loop they need.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dde/client_win.h"
#include "dde/server_win.h"

namespace rotserver {

// The program's file name without its last four characters ("RotServer" for RotServer.exe),
// as the bridge derives the service from the command line it starts.
std::string ServiceNameFromModule();

class CommandServer {
 public:
  using Handler = std::function<void(std::string_view bytes)>;
  // Registers `service` with its one `topic` ("RotServConv"); nothing, with the reason, on
  // failure. One DDE server per process (DDEML's callback has no room for a pointer).
  static std::unique_ptr<CommandServer> Register(const std::string& service,
                                                 const std::string& topic, Handler handler,
                                                 std::string* error);
  CommandServer(const CommandServer&) = delete;
  CommandServer& operator=(const CommandServer&) = delete;

  const std::string& service() const { return service_; }
  const std::string& topic() const { return topic_; }
  // Whether a client (the bridge) has a conversation open on the topic now.
  bool Linked();

 private:
  CommandServer(std::string service, std::string topic)
      : service_(std::move(service)), topic_(std::move(topic)) {}

  std::string service_;
  std::string topic_;
  std::vector<HCONV> conversations_;  // confirmed and not yet seen to end
  std::unique_ptr<ddeml::Server> server_;
};

class StatusClient {
 public:
  // `partner_window_class`: a look for the service is made only while a top-level window of
  // this class is there (empty: always).
  StatusClient(std::string service, std::string topic, std::string partner_window_class = {});
  StatusClient(const StatusClient&) = delete;
  StatusClient& operator=(const StatusClient&) = delete;

  enum class Result { kNoBridge, kSent, kRefused };
  // Executes `macro` (its final NUL included by the caller) without waiting for the answer.
  // Connects first when there is no live conversation; after a failed attempt the next one is
  // made only `retry_ms` later, since every attempt is a broadcast to all top-level windows.
  Result Send(std::string_view macro, DWORD now_ms, DWORD retry_ms = 1000);
  bool Connected() const { return client_.Up(); }

 private:
  bool EnsureConnected(DWORD now_ms, DWORD retry_ms);

  ddeml::Client client_;
  std::string partner_window_class_;
  bool tried_ = false;
  DWORD last_try_ = 0;
};

const char* ResultName(StatusClient::Result result);

}  // namespace rotserver
