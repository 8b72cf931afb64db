// RotServer's one Winsock home: Winsock started once for the whole program, addresses split
// and looked up, and the non-blocking sockets it uses, all reporting through one kind of
// notice window (WSAAsyncSelect to a message-only window) so that nothing here ever waits.
// - TcpConnection: the connecting end, the ByteLink the rotctld driver talks through.
// - TcpListener and TcpPeer: a listening door and the clients it accepted.
// - UdpSocket: datagrams in and out.
// Events are reported only from Poll (or from the notice that runs it), never from inside
// Open, Write or Close, so a caller is never re-entered.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "rotserver/core/rotator_driver.h"

namespace rotserver {

// Winsock for as long as one of these lives: WSAStartup once, WSACleanup with the last.
class WinsockUse {
 public:
  WinsockUse();
  ~WinsockUse();
  WinsockUse(const WinsockUse&) = delete;
  WinsockUse& operator=(const WinsockUse&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// A message-only window that receives one socket's WSAAsyncSelect notices and hands them on.
class SocketNotices {
 public:
  using Handler = std::function<void(SOCKET socket, WORD event, WORD error)>;
  explicit SocketNotices(Handler handler);
  ~SocketNotices();
  SocketNotices(const SocketNotices&) = delete;
  SocketNotices& operator=(const SocketNotices&) = delete;
  // Also makes `socket` non-blocking.
  void Watch(SOCKET socket, long events);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  Handler handler_;
  HWND hwnd_ = nullptr;
};

struct HostPort {
  std::string host;
  std::uint16_t port = 4533;
};
// "host:port", "host" (port 4533) or "[v6]:port", as the settings check them (ParseHostPort);
// nothing for anything else.
std::optional<HostPort> SplitHostPort(std::string_view text);

struct ByteLinkEvents {
  std::function<void()> opened;
  std::function<void(std::string_view bytes)> bytes;
  std::function<void(const std::string& why)> closed;  // in words, with Winsock's error code
};

class TcpConnection : public ByteLink {
 public:
  explicit TcpConnection(std::string address);
  ~TcpConnection() override;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  void SetEvents(ByteLinkEvents events) { events_ = std::move(events); }

  void Open() override;
  // Sent at once as far as the socket takes it; the rest goes out from Poll.
  void Write(std::string_view bytes) override;
  void Close() override;

  // Completes a lookup or a connect, sends what is queued, reads what arrived (at most 16 KiB
  // a call, so that a peer that streams cannot hold the window's thread), and reports.
  void Poll();
  // Polls that found the socket with nothing to read may skip the receive (the notice tells
  // when there is); a receive is still tried now and then in case a notice went missing.

  // Called with every chunk handed to send(), for the log and the benchmarks.
  std::function<void(std::string_view bytes)> on_sent;

 private:
  struct Lookup;
  enum class State { kClosed, kResolving, kConnecting, kOpen, kFailed };

  void StartConnect(const sockaddr* address, int length);
  void Fail(const std::string& what, int code);
  void Flush();
  void PollLookup();
  void PollConnect();
  void PollReceive();

  std::string address_;
  ByteLinkEvents events_;
  WinsockUse winsock_;
  SOCKET socket_ = INVALID_SOCKET;
  State state_ = State::kClosed;
  std::string failure_;  // reported by the next Poll
  std::string output_;
  std::shared_ptr<Lookup> lookup_;
  SocketNotices notices_;
  bool readable_ = true;    // a notice came (or may have been missed) since the last receive
  unsigned quiet_polls_ = 0;
};

// A client a TcpListener accepted. Non-blocking; its notices go to its listener's window.
class TcpPeer {
 public:
  TcpPeer(SOCKET socket, std::string name) : socket_(socket), name_(std::move(name)) {}
  ~TcpPeer();
  TcpPeer(const TcpPeer&) = delete;
  TcpPeer& operator=(const TcpPeer&) = delete;

  const std::string& name() const { return name_; }  // "127.0.0.1:53122"
  SOCKET socket() const { return socket_; }
  // Up to `max` bytes that have arrived (none when none waits); closed() when the peer has gone.
  std::string Read(std::size_t max);
  // Sent as far as the socket takes it, the rest kept for Flush; a peer that leaves more than
  // `max_unsent` bytes unread is closed (it reads no answers, or too slowly).
  void Write(std::string_view bytes, std::size_t max_unsent = 64 * 1024);
  void Flush();
  // What is queued goes out as far as the socket takes it; then the connection ends.
  void Close(const std::string& why);
  bool closed() const { return closed_; }
  const std::string& why() const { return why_; }  // why it closed, in words

 private:
  void Lose(const std::string& why, int code);
  SOCKET socket_;
  std::string name_;
  std::string output_;
  bool closed_ = false;
  std::string why_;
};

// A listening TCP socket, bound where the operator said; every notice for it or for a client
// it accepted calls `news` with the socket concerned, which should poll it.
class TcpListener {
 public:
  explicit TcpListener(std::function<void(SOCKET)> news);
  ~TcpListener();
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  // `address`: a numeric "host:port" ("127.0.0.1:4533"); the reason in words when it fails.
  bool Listen(const std::string& address, std::string* error);
  // A client that connected since the last call; nothing when none waits.
  std::unique_ptr<TcpPeer> Accept();
  SOCKET socket() const { return socket_; }

 private:
  WinsockUse winsock_;
  SocketNotices notices_;
  SOCKET socket_ = INVALID_SOCKET;
};

struct Datagram {
  std::string bytes;
  std::string from;  // "127.0.0.1:53122"
};

// A UDP socket: bound to receive, or only to send.
class UdpSocket {
 public:
  explicit UdpSocket(std::function<void(SOCKET)> news);
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  // `address`: a numeric "host:port"; the reason in words when it fails.
  bool Bind(const std::string& address, std::string* error);
  // A datagram that arrived (cut at `max` bytes, `*cut` set when it was longer); nothing when
  // none waits.
  std::optional<Datagram> Receive(std::size_t max, bool* cut);
  // To a numeric "host:port"; false when it cannot go.
  bool SendTo(const std::string& address, std::string_view bytes);
  SOCKET socket() const { return socket_; }

 private:
  bool Open(int family);
  WinsockUse winsock_;
  SocketNotices notices_;
  SOCKET socket_ = INVALID_SOCKET;
};

// 127.0.0.1:port.
sockaddr_in LoopbackAddress(unsigned port);
// A numeric "host:port" as a socket address; false for anything else.
bool NumericAddress(const std::string& address, sockaddr_storage* out, int* length);
// A socket address as "host:port".
std::string AddressText(const sockaddr* address, int length);

}  // namespace rotserver
