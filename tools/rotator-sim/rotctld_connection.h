// One TCP connection to rotctld, non-blocking throughout: nothing here waits, so a hung or
// vanished daemon never holds up the DDE side. The owner polls it from its timer.
#pragma once

#include <winsock2.h>

#include <string>

#include "rotctld_protocol.h"

namespace rotsim {

class RotctldConnection {
 public:
  enum class State { kDown, kConnecting, kUp };

  RotctldConnection();
  ~RotctldConnection();
  RotctldConnection(const RotctldConnection&) = delete;
  RotctldConnection& operator=(const RotctldConnection&) = delete;

  // Begins a connect; false (with the reason) when it failed at once.
  bool Open(const Endpoint& endpoint, std::string* error);
  // Completes a connect, writes what is queued and reads what has arrived. False (with the
  // reason) when the connection is lost; it is then closed.
  bool Poll(std::string* error);
  void Close();

  State state() const { return state_; }
  void Send(const std::string& bytes) { output_ += bytes; }
  // Bytes received and not yet taken.
  std::string& input() { return input_; }

 private:
  bool Fail(const std::string& what, int code, std::string* error);

  bool winsock_ = false;
  SOCKET socket_ = INVALID_SOCKET;
  State state_ = State::kDown;
  std::string output_;
  std::string input_;
};

}  // namespace rotsim
