// The TCP link to rotctld over non-blocking Winsock: the ByteLink the rotctld driver talks
// through. Nothing here waits: a connect, a host-name lookup or a send that cannot finish at
// once goes on in the background, and Poll reports what happened. Winsock's notices
// (WSAAsyncSelect to a message-only window) run Poll as soon as rotctld's bytes arrive, so a
// reply frees the link for the next command at once; the program's timer runs it too, and
// finds nothing new to do at low cost. Events are reported only from Poll, never from inside
// Open, Write or Close, so the driver is never re-entered.
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

struct HostPort {
  std::string host;
  std::uint16_t port = 4533;
};
// "host:port", "host" (port 4533) or "[v6]:port"; nothing for an empty host or a bad port.
std::optional<HostPort> SplitHostPort(std::string_view text);

struct ByteLinkEvents {
  std::function<void()> opened;
  std::function<void(std::string_view bytes)> bytes;
  std::function<void(const std::string& why)> closed;  // in words, with Winsock's error code
};

class RotctldSocket : public ByteLink {
 public:
  explicit RotctldSocket(std::string address);
  ~RotctldSocket() override;
  RotctldSocket(const RotctldSocket&) = delete;
  RotctldSocket& operator=(const RotctldSocket&) = delete;

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
  void Watch();
  static LRESULT CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  std::string address_;
  ByteLinkEvents events_;
  bool winsock_ = false;
  SOCKET socket_ = INVALID_SOCKET;
  State state_ = State::kClosed;
  std::string failure_;  // reported by the next Poll
  std::string output_;
  std::shared_ptr<Lookup> lookup_;
  HWND notices_ = nullptr;  // message-only window for WSAAsyncSelect
  bool readable_ = true;    // a notice came (or may have been missed) since the last receive
  unsigned quiet_polls_ = 0;
};

}  // namespace rotserver
