#include "rotctld_connection.h"

#include <ws2tcpip.h>

namespace rotsim {

RotctldConnection::RotctldConnection() {
  WSADATA data;
  winsock_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

RotctldConnection::~RotctldConnection() {
  Close();
  if (winsock_) WSACleanup();
}

void RotctldConnection::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  state_ = State::kDown;
  output_.clear();
  input_.clear();
}

bool RotctldConnection::Fail(const std::string& what, int code, std::string* error) {
  *error = what + " (error " + std::to_string(code) + ")";
  Close();
  return false;
}

bool RotctldConnection::Open(const Endpoint& endpoint, std::string* error) {
  Close();
  if (!winsock_) return Fail("no Winsock", 0, error);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  std::string port = std::to_string(endpoint.port);
  if (int rc = getaddrinfo(endpoint.host.c_str(), port.c_str(), &hints, &found); rc != 0 || !found)
    return Fail("cannot resolve " + endpoint.host, rc, error);
  socket_ = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
  if (socket_ == INVALID_SOCKET) {
    freeaddrinfo(found);
    return Fail("no socket", WSAGetLastError(), error);
  }
  u_long non_blocking = 1;
  ioctlsocket(socket_, FIONBIO, &non_blocking);
  BOOL no_delay = TRUE;
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay),
             sizeof no_delay);
  int rc = connect(socket_, found->ai_addr, static_cast<int>(found->ai_addrlen));
  freeaddrinfo(found);
  if (rc == 0) {
    state_ = State::kUp;
    return true;
  }
  int code = WSAGetLastError();
  if (code != WSAEWOULDBLOCK && code != WSAEINPROGRESS) return Fail("connect failed", code, error);
  state_ = State::kConnecting;
  return true;
}

bool RotctldConnection::Poll(std::string* error) {
  if (state_ == State::kDown) return true;
  if (state_ == State::kConnecting) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket_, &writable);
    FD_SET(socket_, &failed);
    timeval now{0, 0};
    if (select(0, nullptr, &writable, &failed, &now) == SOCKET_ERROR)
      return Fail("select failed", WSAGetLastError(), error);
    if (FD_ISSET(socket_, &failed)) {
      int code = 0;
      int size = sizeof code;
      getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size);
      return Fail("connect refused", code, error);
    }
    if (!FD_ISSET(socket_, &writable)) return true;  // still under way
    state_ = State::kUp;
  }
  while (!output_.empty()) {
    int sent = send(socket_, output_.data(), static_cast<int>(output_.size()), 0);
    if (sent == SOCKET_ERROR) {
      int code = WSAGetLastError();
      if (code == WSAEWOULDBLOCK) break;
      return Fail("send failed", code, error);
    }
    output_.erase(0, static_cast<std::size_t>(sent));
  }
  char buffer[4096];
  for (;;) {
    int got = recv(socket_, buffer, sizeof buffer, 0);
    if (got > 0) {
      input_.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    if (got == 0) return Fail("closed by rotctld", 0, error);
    int code = WSAGetLastError();
    if (code == WSAEWOULDBLOCK) return true;
    return Fail("receive failed", code, error);
  }
}

}  // namespace rotsim
