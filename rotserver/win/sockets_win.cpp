#include "rotserver/win/sockets_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "rotserver/core/settings_checks.h"
#include "rotserver/win/callback_errors_win.h"
#include "winui/window_state_win.h"
#include "winui/windows_error_text_win.h"

namespace rotserver {

std::optional<HostPort> SplitHostPort(std::string_view text) {
  // The settings' own parser, so that what they accepted is what is connected to or listened
  // on; a host alone means rotctld's port.
  const bool bracketed = !text.empty() && text.front() == '[';
  const std::size_t colons = static_cast<std::size_t>(std::count(text.begin(), text.end(), ':'));
  const bool has_port = bracketed ? text.find("]:") != std::string_view::npos : colons == 1;
  std::optional<NetAddress> at =
      ParseHostPort(has_port ? std::string(text) : std::string(text) + ":4533");
  if (!at) return std::nullopt;
  return HostPort{at->host, static_cast<std::uint16_t>(at->port)};
}

// A host-name lookup on a thread of its own, since getaddrinfo waits for the name server. The
// socket may be closed (and the lookup abandoned) while it runs: both share this record.
struct TcpConnection::Lookup {
  std::mutex mutex;
  bool done = false;
  int code = 0;
  sockaddr_storage address{};
  int length = 0;
};

namespace {

addrinfo* Resolve(const HostPort& where, bool numeric_only, int* code) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = numeric_only ? AI_NUMERICHOST : 0;
  addrinfo* found = nullptr;
  std::string port = std::to_string(where.port);
  *code = getaddrinfo(where.host.c_str(), port.c_str(), &hints, &found);
  if (*code != 0) return nullptr;
  return found;
}

}  // namespace

namespace {

constexpr UINT kMsgSocketNotice = WM_APP + 1;
constexpr char kNoticeClass[] = "RotServerSocketNotices";
// Receives tried without a notice: one in 20 polls, once a second at the 50 ms timer.
constexpr unsigned kPollsPerBlindReceive = 20;
// Taken per poll at most: a peer that sends as fast as it can must not hold the window's
// thread. The rest waits for the next turn of the message loop (Winsock posts a new notice
// while data remains, and the next poll reads regardless).
constexpr std::size_t kMaxBytesPerPoll = 16 * 1024;

std::mutex winsock_mutex;
int winsock_users = 0;

}  // namespace

WinsockUse::WinsockUse() {
  std::lock_guard<std::mutex> lock(winsock_mutex);
  if (winsock_users == 0) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  }
  ++winsock_users;
  ok_ = true;
}

WinsockUse::~WinsockUse() {
  if (!ok_) return;
  std::lock_guard<std::mutex> lock(winsock_mutex);
  if (--winsock_users == 0) WSACleanup();
}

SocketNotices::SocketNotices(Handler handler) : handler_(std::move(handler)) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kNoticeClass;
  RegisterClassA(&wc);  // fails harmlessly when registered already
  hwnd_ = CreateWindowExA(0, kNoticeClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          wc.hInstance, this);
}

SocketNotices::~SocketNotices() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void SocketNotices::Watch(SOCKET socket, long events) {
  // Non-blocking as well; without a window the owner's polls still find everything.
  if (hwnd_) {
    WSAAsyncSelect(socket, hwnd_, kMsgSocketNotice, events);
  } else {
    u_long non_blocking = 1;
    ioctlsocket(socket, FIONBIO, &non_blocking);
  }
}

LRESULT CALLBACK SocketNotices::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = winui::WindowState<SocketNotices>(hwnd, msg, lp);
  if (msg == WM_NCDESTROY && self) self->hwnd_ = nullptr;
  if (msg != kMsgSocketNotice) return DefWindowProcA(hwnd, msg, wp, lp);
  // After an error the timer's next poll tries again.
  CallGuarded("error on a socket", [&] {
    if (self && self->handler_)
      self->handler_(static_cast<SOCKET>(wp), WSAGETSELECTEVENT(lp), WSAGETSELECTERROR(lp));
  });
  return 0;
}

TcpConnection::TcpConnection(std::string address)
    : address_(std::move(address)), notices_([this](SOCKET socket, WORD, WORD) {
        // A notice for a socket closed since is of no interest.
        if (socket != socket_) return;
        readable_ = true;
        Poll();
      }) {}

TcpConnection::~TcpConnection() {
  Close();
}

void TcpConnection::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  state_ = State::kClosed;
  output_.clear();
  failure_.clear();
  lookup_.reset();
}

void TcpConnection::Fail(const std::string& what, int code) {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  output_.clear();
  lookup_.reset();
  failure_ =
      code ? what + ": " + winui::ErrorText(static_cast<DWORD>(code), "Winsock error") : what;
  state_ = State::kFailed;
}

void TcpConnection::Open() {
  Close();
  if (!winsock_.ok()) return Fail("Winsock is not available", 0);
  auto where = SplitHostPort(address_);
  if (!where) return Fail("not an address (host:port): " + address_, 0);
  int code = 0;
  if (addrinfo* found = Resolve(*where, true, &code)) {
    StartConnect(found->ai_addr, static_cast<int>(found->ai_addrlen));
    freeaddrinfo(found);
    return;
  }
  auto lookup = std::make_shared<Lookup>();
  lookup_ = lookup;
  state_ = State::kResolving;
  std::thread([lookup, where = *where] {
    int code = 0;
    addrinfo* found = Resolve(where, false, &code);
    std::lock_guard<std::mutex> lock(lookup->mutex);
    if (found) {
      std::memcpy(&lookup->address, found->ai_addr, found->ai_addrlen);
      lookup->length = static_cast<int>(found->ai_addrlen);
      freeaddrinfo(found);
    }
    lookup->code = found ? 0 : (code ? code : WSAHOST_NOT_FOUND);
    lookup->done = true;
  }).detach();
}

void TcpConnection::StartConnect(const sockaddr* address, int length) {
  socket_ = socket(address->sa_family, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) return Fail("no socket", WSAGetLastError());
  SetHandleInformation(reinterpret_cast<HANDLE>(socket_), HANDLE_FLAG_INHERIT, 0);  // no child's
  u_long non_blocking = 1;
  ioctlsocket(socket_, FIONBIO, &non_blocking);
  notices_.Watch(socket_, FD_CONNECT | FD_READ | FD_CLOSE);
  readable_ = true;
  BOOL no_delay = TRUE;  // commands are a few bytes each and must go out at once
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay),
             sizeof no_delay);
  state_ = State::kConnecting;
  if (connect(socket_, address, length) == 0) return;  // completion reported by the next Poll
  int code = WSAGetLastError();
  if (code != WSAEWOULDBLOCK && code != WSAEINPROGRESS) Fail("cannot connect to " + address_, code);
}

void TcpConnection::Write(std::string_view bytes) {
  if (state_ == State::kClosed || state_ == State::kFailed) return;
  output_.append(bytes);
  if (state_ == State::kOpen) Flush();
}

void TcpConnection::Flush() {
  while (!output_.empty()) {
    int sent = send(socket_, output_.data(), static_cast<int>(output_.size()), 0);
    if (sent == SOCKET_ERROR) {
      int code = WSAGetLastError();
      if (code != WSAEWOULDBLOCK) Fail("send failed", code);
      return;
    }
    if (on_sent) on_sent(std::string_view(output_.data(), static_cast<std::size_t>(sent)));
    output_.erase(0, static_cast<std::size_t>(sent));
  }
}

void TcpConnection::Poll() {
  if (state_ == State::kResolving) PollLookup();
  if (state_ == State::kConnecting) PollConnect();
  if (state_ == State::kOpen) {
    Flush();
    if (state_ == State::kOpen && (readable_ || ++quiet_polls_ >= kPollsPerBlindReceive)) {
      quiet_polls_ = 0;
      readable_ = false;
      PollReceive();
    }
  }
  if (state_ == State::kFailed) {
    std::string why = failure_;
    state_ = State::kClosed;
    failure_.clear();
    if (events_.closed) events_.closed(why);
  }
}

void TcpConnection::PollLookup() {
  std::shared_ptr<Lookup> lookup = lookup_;
  std::lock_guard<std::mutex> lock(lookup->mutex);
  if (!lookup->done) return;
  lookup_.reset();
  if (lookup->code != 0) return Fail("cannot find host " + address_, lookup->code);
  StartConnect(reinterpret_cast<const sockaddr*>(&lookup->address), lookup->length);
}

void TcpConnection::PollConnect() {
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket_, &writable);
  FD_SET(socket_, &failed);
  timeval no_wait{0, 0};
  if (select(0, nullptr, &writable, &failed, &no_wait) == SOCKET_ERROR)
    return Fail("select failed", WSAGetLastError());
  if (FD_ISSET(socket_, &failed)) {
    int code = 0;
    int size = sizeof code;
    getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size);
    return Fail("connection to " + address_ + " refused", code);
  }
  if (!FD_ISSET(socket_, &writable)) return;  // still under way
  state_ = State::kOpen;
  if (events_.opened) events_.opened();
}

void TcpConnection::PollReceive() {
  char buffer[4096];
  for (std::size_t taken = 0;;) {
    if (taken >= kMaxBytesPerPoll) {
      readable_ = true;
      return;
    }
    int got = recv(socket_, buffer, sizeof buffer, 0);
    if (got > 0) {
      taken += static_cast<std::size_t>(got);
      if (events_.bytes) events_.bytes(std::string_view(buffer, static_cast<std::size_t>(got)));
      if (state_ != State::kOpen) return;  // the driver closed the link on what it read
      continue;
    }
    if (got == 0) return Fail("rotctld closed the connection", 0);
    int code = WSAGetLastError();
    if (code != WSAEWOULDBLOCK) Fail("connection to rotctld lost", code);
    return;
  }
}

}  // namespace rotserver
