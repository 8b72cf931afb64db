// A TCP connection to a port on 127.0.0.1 whose reads give up after a time-out, for the tests'
// talks with the programs they start (rotctld, the stand-ins): a silent partner fails a test
// instead of hanging it. Winsock is started with it and ended with it.
#pragma once

#include <winsock2.h>

#include <string_view>

namespace harness {

class LoopbackSocket {
 public:
  LoopbackSocket(unsigned port, DWORD read_timeout_ms);
  ~LoopbackSocket();
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;

  bool connected() const { return connected_; }
  bool Send(std::string_view bytes);
  // What came, up to `size` bytes; 0 or less when the partner closed, fell silent for the
  // time-out, or the connection failed.
  int Receive(char* buffer, int size);

 private:
  bool winsock_ = false;
  SOCKET socket_ = INVALID_SOCKET;
  bool connected_ = false;
};

}  // namespace harness
