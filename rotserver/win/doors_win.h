// The network doors' shells: the rotctld-protocol TCP server and the N1MM rotor packets, each
// listening only once the operator has turned it on (127.0.0.1 unless another address is
// typed). They read within bounds (at most 16 clients, 16 KiB per client per poll, lines of at
// most 1 KiB, so many lines a second) and hand each request to the parsers in core/ and the
// one arbiter; the window's thread is never held by a client.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rotserver/core/arbiter.h"
#include "rotserver/core/byte_log_budget.h"
#include "rotserver/core/client_lines.h"
#include "rotserver/core/front_end.h"
#include "rotserver/core/hamlib_door.h"
#include "rotserver/core/settings.h"
#include "rotserver/win/sockets_win.h"
#include "toolkit/line_log_win.h"

namespace rotserver {

inline constexpr std::size_t kMaxClients = 16;

class NetworkDoors {
 public:
  // `front` gives the front end in use now (it is rebuilt with the settings); while it gives
  // none, the doors wait.
  NetworkDoors(toolkit::LineLog& log, Arbiter& arbiter, std::function<FrontEnd*()> front);
  ~NetworkDoors();
  NetworkDoors(const NetworkDoors&) = delete;
  NetworkDoors& operator=(const NetworkDoors&) = delete;

  // Opens, moves or closes the doors as the settings say; a door whose settings did not change
  // keeps its clients. Problems go to the log and come back in words ("" when none).
  std::string Use(const Settings& settings);
  // Every tick: every client and packet.
  void Poll();
  // With every status report: the heading to N1MM's status address, when one is set.
  void Report(Millis now);

 private:
  struct Client;
  // A notice for `socket`: only what it concerns is read.
  void OnNotice(SOCKET socket);
  // Accepts new clients, then polls `only` that client, or every client.
  void PollHamlib(FrontEnd& front, Millis now, SOCKET only = INVALID_SOCKET);
  void PollClient(Client& client, FrontEnd& front, Millis now);
  void PollN1mm(FrontEnd& front, Millis now);
  void OnN1mmPacket(const Datagram& datagram, bool cut, FrontEnd& front, Millis now);

  toolkit::LineLog& log_;
  Arbiter& arbiter_;
  std::function<FrontEnd*()> front_;
  HamlibDoor hamlib_;
  std::string hamlib_address_;
  std::unique_ptr<TcpListener> listener_;
  std::vector<std::unique_ptr<Client>> clients_;
  std::string n1mm_address_, n1mm_name_, n1mm_status_to_;
  std::unique_ptr<UdpSocket> n1mm_;
  std::unique_ptr<UdpSocket> n1mm_status_;
  std::string last_status_;
  Millis last_status_at_ = 0;
  ByteLogBudget log_budget_;  // the clients' lines in the log: a bounded share of a stream
  Millis malformed_logged_at_ = -1000000;
  std::size_t malformed_unlogged_ = 0;
  bool polling_ = false;
};

// What the operator typed for a door: "4533" or "host:port"; a bare port means 127.0.0.1.
std::string DoorAddress(const std::string& typed);

}  // namespace rotserver
