// The listening half of RotServer's Winsock home (sockets_win.h): the listener, the clients it
// accepts, and UDP.
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "rotserver/win/sockets_win.h"
#include "winui/windows_error_text_win.h"

namespace rotserver {

namespace {

std::string WinsockWords(const std::string& what, int code) {
  return what + ": " + winui::ErrorText(static_cast<DWORD>(code), "Winsock error");
}

}  // namespace

sockaddr_in LoopbackAddress(unsigned port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<u_short>(port));
  return a;
}

bool NumericAddress(const std::string& address, sockaddr_storage* out, int* length) {
  std::optional<HostPort> where = SplitHostPort(address);
  if (!where) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
  addrinfo* found = nullptr;
  if (getaddrinfo(where->host.c_str(), std::to_string(where->port).c_str(), &hints, &found) != 0 ||
      !found)
    return false;
  *length = static_cast<int>(found->ai_addrlen);
  std::memcpy(out, found->ai_addr, found->ai_addrlen);
  freeaddrinfo(found);
  return true;
}

std::string AddressText(const sockaddr* address, int length) {
  char host[NI_MAXHOST] = "?", port[NI_MAXSERV] = "?";
  getnameinfo(address, static_cast<socklen_t>(length), host, sizeof host, port, sizeof port,
              NI_NUMERICHOST | NI_NUMERICSERV);
  const bool v6 = address->sa_family == AF_INET6;
  return (v6 ? "[" : "") + std::string(host) + (v6 ? "]:" : ":") + port;
}

TcpPeer::~TcpPeer() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

void TcpPeer::Lose(const std::string& why, int code) {
  if (closed_) return;
  closed_ = true;
  why_ = code ? WinsockWords(why, code) : why;
  output_.clear();
}

std::string TcpPeer::Read(std::size_t max) {
  std::string bytes;
  char buffer[4096];
  while (!closed_ && bytes.size() < max) {
    int want = static_cast<int>(std::min(sizeof buffer, max - bytes.size()));
    int got = recv(socket_, buffer, want, 0);
    if (got > 0) {
      bytes.append(buffer, static_cast<std::size_t>(got));
      // Less than asked for: most likely all there was. Another receive would only find
      // nothing; any later bytes bring a notice of their own, and the tick reads as well.
      if (got < want) break;
      continue;
    }
    if (got == 0) {
      Lose("closed by the client", 0);
    } else if (int code = WSAGetLastError(); code != WSAEWOULDBLOCK) {
      Lose("connection lost", code);
    }
    break;
  }
  return bytes;
}

void TcpPeer::Write(std::string_view bytes, std::size_t max_unsent) {
  if (closed_) return;
  output_.append(bytes);
  Flush();
  if (!closed_ && output_.size() > max_unsent)
    Lose("dropped: it leaves its answers unread (" + std::to_string(output_.size()) +
             " bytes waiting)",
         0);
}

void TcpPeer::Flush() {
  while (!closed_ && !output_.empty()) {
    int sent = send(socket_, output_.data(), static_cast<int>(output_.size()), 0);
    if (sent == SOCKET_ERROR) {
      if (int code = WSAGetLastError(); code != WSAEWOULDBLOCK) Lose("send failed", code);
      return;
    }
    output_.erase(0, static_cast<std::size_t>(sent));
  }
}

void TcpPeer::Close(const std::string& why) {
  Flush();
  Lose(why, 0);
  shutdown(socket_, SD_SEND);
}

TcpListener::TcpListener(std::function<void(SOCKET)> news)
    : notices_([news = std::move(news)](SOCKET socket, WORD, WORD) {
        if (news) news(socket);
      }) {}

TcpListener::~TcpListener() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool TcpListener::Listen(const std::string& address, std::string* error) {
  sockaddr_storage where{};
  int length = 0;
  if (!winsock_.ok()) {
    *error = "Winsock is not available";
    return false;
  }
  if (!NumericAddress(address, &where, &length)) {
    *error = "not a numeric address to listen on (host:port): " + address;
    return false;
  }
  socket_ = ::socket(where.ss_family, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) {
    *error = WinsockWords("no socket", WSAGetLastError());
    return false;
  }
  // No other program may take the port from under us while we listen.
  BOOL exclusive = TRUE;
  setsockopt(socket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
             sizeof exclusive);
  if (bind(socket_, reinterpret_cast<sockaddr*>(&where), length) == SOCKET_ERROR ||
      listen(socket_, SOMAXCONN) == SOCKET_ERROR) {
    *error = WinsockWords("cannot listen on " + address, WSAGetLastError());
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    return false;
  }
  // Clients accepted later take the same notices to the same window.
  notices_.Watch(socket_, FD_ACCEPT | FD_READ | FD_CLOSE);
  return true;
}

std::unique_ptr<TcpPeer> TcpListener::Accept() {
  if (socket_ == INVALID_SOCKET) return nullptr;
  sockaddr_storage from{};
  int length = sizeof from;
  SOCKET peer = accept(socket_, reinterpret_cast<sockaddr*>(&from), &length);
  if (peer == INVALID_SOCKET) return nullptr;
  BOOL no_delay = TRUE;  // answers are a line each and must go out at once
  setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay),
             sizeof no_delay);
  return std::make_unique<TcpPeer>(peer, AddressText(reinterpret_cast<sockaddr*>(&from), length));
}

UdpSocket::UdpSocket(std::function<void(SOCKET)> news)
    : notices_([news = std::move(news)](SOCKET socket, WORD, WORD) {
        if (news) news(socket);
      }) {}

UdpSocket::~UdpSocket() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool UdpSocket::Open(int family) {
  if (socket_ != INVALID_SOCKET) return true;
  if (!winsock_.ok()) return false;
  socket_ = ::socket(family, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ == INVALID_SOCKET) return false;
  notices_.Watch(socket_, FD_READ);
  return true;
}

bool UdpSocket::Bind(const std::string& address, std::string* error) {
  sockaddr_storage where{};
  int length = 0;
  if (!NumericAddress(address, &where, &length)) {
    *error = "not a numeric address to listen on (host:port): " + address;
    return false;
  }
  if (!Open(where.ss_family)) {
    *error = WinsockWords("no socket", WSAGetLastError());
    return false;
  }
  BOOL exclusive = TRUE;
  setsockopt(socket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
             sizeof exclusive);
  if (bind(socket_, reinterpret_cast<sockaddr*>(&where), length) == SOCKET_ERROR) {
    *error = WinsockWords("cannot listen on " + address, WSAGetLastError());
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    return false;
  }
  return true;
}

std::optional<Datagram> UdpSocket::Receive(std::size_t max, bool* cut) {
  if (socket_ == INVALID_SOCKET) return std::nullopt;
  std::string buffer(max + 1, '\0');
  sockaddr_storage from{};
  int length = sizeof from;
  int got = recvfrom(socket_, buffer.data(), static_cast<int>(buffer.size()), 0,
                     reinterpret_cast<sockaddr*>(&from), &length);
  *cut = false;
  if (got == SOCKET_ERROR) {
    int code = WSAGetLastError();
    if (code == WSAEMSGSIZE) {
      *cut = true;
      got = static_cast<int>(buffer.size());
    } else if (code == WSAECONNRESET) {
      // An earlier status datagram found no listener: nothing was received.
      return Datagram{};
    } else {
      return std::nullopt;
    }
  }
  if (static_cast<std::size_t>(got) > max) *cut = true;
  buffer.resize(std::min(static_cast<std::size_t>(got), max));
  return Datagram{std::move(buffer), AddressText(reinterpret_cast<sockaddr*>(&from), length)};
}

bool UdpSocket::SendTo(const std::string& address, std::string_view bytes) {
  sockaddr_storage where{};
  int length = 0;
  if (!NumericAddress(address, &where, &length) || !Open(where.ss_family)) return false;
  return sendto(socket_, bytes.data(), static_cast<int>(bytes.size()), 0,
                reinterpret_cast<sockaddr*>(&where), length) != SOCKET_ERROR;
}

}  // namespace rotserver
