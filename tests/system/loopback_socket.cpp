#include "loopback_socket.h"

namespace harness {

LoopbackSocket::LoopbackSocket(unsigned port, DWORD read_timeout_ms) {
  WSADATA data;
  winsock_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) return;
  setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&read_timeout_ms),
             sizeof read_timeout_ms);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

LoopbackSocket::~LoopbackSocket() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  if (winsock_) WSACleanup();
}

bool LoopbackSocket::Send(std::string_view bytes) {
  return connected_ && send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0) ==
                           static_cast<int>(bytes.size());
}

int LoopbackSocket::Receive(char* buffer, int size) {
  return connected_ ? recv(socket_, buffer, size, 0) : -1;
}

}  // namespace harness
