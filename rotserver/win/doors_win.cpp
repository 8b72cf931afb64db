#include "rotserver/win/doors_win.h"

#include <windows.h>

#include "rotserver/core/n1mm_door.h"
#include "rotserver/core/settings_checks.h"
#include "toolkit/byte_text.h"

namespace rotserver {

namespace {

constexpr std::size_t kBytesPerPoll = 16 * 1024;  // from one client, per poll
constexpr std::size_t kDatagramsPerPoll = 32;
constexpr int kAcceptsPerPoll = 8;
constexpr Millis kStatusEveryMs = 1000;  // unchanged headings are repeated this often

Millis DoorNow() {
  return static_cast<Millis>(GetTickCount64());
}

}  // namespace

std::string DoorAddress(const std::string& typed) {
  // What the settings did not accept goes on as typed: the socket then says why in words.
  std::optional<NetAddress> at = ParseListenAddress(typed, true);
  return at ? NetAddressText(*at) : typed;
}

struct NetworkDoors::Client {
  std::unique_ptr<TcpPeer> peer;
  ClientLines lines;
};

NetworkDoors::NetworkDoors(toolkit::LineLog& log, Arbiter& arbiter,
                           std::function<FrontEnd*()> front)
    : log_(log), arbiter_(arbiter), front_(std::move(front)) {}

NetworkDoors::~NetworkDoors() {
  for (const auto& client : clients_) arbiter_.Disconnected(client->peer->name());
}

std::string NetworkDoors::Use(const Settings& settings) {
  std::string problems;
  auto problem = [&](const std::string& text) {
    log_.Line("door " + text);
    problems += (problems.empty() ? "" : "; ") + text;
  };
  const std::string hamlib = DoorAddress(settings.serve_rotctld);
  if (hamlib != hamlib_address_ || (!hamlib.empty() && !listener_)) {
    for (const auto& client : clients_) arbiter_.Disconnected(client->peer->name());
    clients_.clear();
    listener_.reset();
    hamlib_address_ = hamlib;
    if (!hamlib.empty()) {
      listener_ = std::make_unique<TcpListener>([this](SOCKET s) { OnNotice(s); });
      std::string error;
      if (!listener_->Listen(hamlib, &error)) {
        listener_.reset();
        problem("rotctld server: " + error);
      } else {
        log_.Line("door rotctld server listening on " + hamlib);
        std::optional<HostPort> where = SplitHostPort(hamlib);
        if (!where || !IsLoopback(where->host))
          log_.Line(
              "door rotctld server open to other computers: anyone on that network can "
              "turn the antenna");
      }
    }
  }
  const std::string n1mm = DoorAddress(settings.serve_n1mm);
  n1mm_name_ = settings.n1mm_rotor_name;
  n1mm_status_to_ = DoorAddress(settings.n1mm_status_to);
  if (n1mm != n1mm_address_ || (!n1mm.empty() && !n1mm_)) {
    n1mm_.reset();
    n1mm_address_ = n1mm;
    if (!n1mm.empty()) {
      n1mm_ = std::make_unique<UdpSocket>([this](SOCKET s) { OnNotice(s); });
      std::string error;
      if (!n1mm_->Bind(n1mm, &error)) {
        n1mm_.reset();
        problem("N1MM packets: " + error);
      } else {
        log_.Line("door N1MM packets on " + n1mm + " for rotor \"" + n1mm_name_ + "\"");
      }
    }
  }
  if (!n1mm.empty() && n1mm_name_.empty())
    problem("N1MM packets: no rotor name (N1mmRotorName), so every packet is for another rotor");
  if (n1mm_status_to_.empty()) n1mm_status_.reset();
  return problems;
}

void NetworkDoors::Poll() {
  // A notice that comes while a poll sends (a modal loop, a callback) waits for the next one.
  FrontEnd* front = front_();
  if (polling_ || !front) return;
  polling_ = true;
  const Millis now = DoorNow();
  PollHamlib(*front, now);
  PollN1mm(*front, now);
  polling_ = false;
}

void NetworkDoors::OnNotice(SOCKET socket) {
  FrontEnd* front = front_();
  if (polling_ || !front) return;
  polling_ = true;
  const Millis now = DoorNow();
  if (n1mm_ && socket == n1mm_->socket())
    PollN1mm(*front, now);
  else
    PollHamlib(*front, now, socket);
  polling_ = false;
}

void NetworkDoors::PollHamlib(FrontEnd& front, Millis now, SOCKET only) {
  if (!listener_) return;
  // A few connections a poll: a storm of them waits in the backlog for the next ones.
  int accepts = only == INVALID_SOCKET || only == listener_->socket() ? kAcceptsPerPoll : 0;
  while (std::unique_ptr<TcpPeer> peer = accepts-- > 0 ? listener_->Accept() : nullptr) {
    if (clients_.size() >= kMaxClients) {
      log_.Line("door rotctld client " + peer->name() + " refused: already " +
                std::to_string(kMaxClients) + " clients");
      continue;  // closed as it goes
    }
    log_.Line("door rotctld client " + peer->name() + " connected");
    arbiter_.Connected(peer->name());
    auto client = std::make_unique<Client>();
    client->peer = std::move(peer);
    clients_.push_back(std::move(client));
  }
  for (auto it = clients_.begin(); it != clients_.end();) {
    Client& client = **it;
    if (only != INVALID_SOCKET && client.peer->socket() != only) {
      ++it;
      continue;
    }
    PollClient(client, front, now);
    if (client.peer->closed()) {
      log_.Line("door rotctld client " + client.peer->name() + " gone: " + client.peer->why());
      arbiter_.Disconnected(client.peer->name());
      it = clients_.erase(it);
    } else {
      ++it;
    }
  }
}

void NetworkDoors::PollClient(Client& client, FrontEnd& front, Millis now) {
  TcpPeer& peer = *client.peer;
  peer.Flush();
  if (client.lines.WantsBytes()) client.lines.Add(peer.Read(kBytesPerPoll));
  if (std::size_t dropped = client.lines.TakeDropped())
    log_.Line("door rotctld client " + peer.name() + ": " + std::to_string(dropped) +
              " line(s) longer than 1 KiB dropped");
  const Asker asker{Asker::Kind::kProgram, peer.name()};
  while (std::optional<std::string> line = client.lines.Next(now)) {
    bool quit = false;
    std::string answer = hamlib_.Answer(*line, asker, arbiter_, front, now, &quit);
    // Position queries that were answered are the bulk and say nothing: not logged.
    const bool routine = ParseHamlibLine(*line).verb == HamlibCommand::Verb::kGetPos &&
                         answer.find("RPRT -") == std::string::npos;
    if (log_.enabled() && !routine) {
      std::string text = "door " + peer.name() + " < \"" + toolkit::EscapedText(*line, 80) +
                         "\" > \"" + toolkit::EscapedText(answer, 80) + "\"";
      if (std::size_t left_out = log_budget_.TakeLeftOut(now))
        log_.Line("door (" + std::to_string(left_out) +
                  " bytes of client lines left out of this log: they came faster than it takes)");
      if (log_budget_.Allow(text.size(), now)) log_.Line(text);
    }
    peer.Write(answer);
    if (quit) peer.Close("said goodbye");
    if (peer.closed()) return;
  }
  if (client.lines.TakeThrottled())
    log_.Line("door rotctld client " + peer.name() +
              " sends faster than it is answered: its lines wait");
}

void NetworkDoors::PollN1mm(FrontEnd& front, Millis now) {
  if (!n1mm_) return;
  for (std::size_t i = 0; i < kDatagramsPerPoll; ++i) {
    bool cut = false;
    std::optional<Datagram> datagram = n1mm_->Receive(kMaxN1mmPacket, &cut);
    if (!datagram) return;
    if (!datagram->from.empty()) OnN1mmPacket(*datagram, cut, front, now);
  }
}

void NetworkDoors::OnN1mmPacket(const Datagram& datagram, bool cut, FrontEnd& front, Millis now) {
  N1mmPacket packet =
      cut ? N1mmPacket{N1mmPacket::Kind::kMalformed, "", 0, false, "rotor packet longer than 1 KiB"}
          : ParseN1mmPacket(datagram.bytes, n1mm_name_);
  switch (packet.kind) {
    case N1mmPacket::Kind::kMalformed:
      // One line a second at most: a stream of bad packets must not flood the log.
      if (now - malformed_logged_at_ < 1000) {
        ++malformed_unlogged_;
        return;
      }
      log_.Line("door N1MM packet from " + datagram.from + " dropped: " + packet.reason +
                (malformed_unlogged_ ? " (and " + std::to_string(malformed_unlogged_) +
                                           " more bad packets since the last line)"
                                     : ""));
      malformed_logged_at_ = now;
      malformed_unlogged_ = 0;
      return;
    case N1mmPacket::Kind::kOtherRotor:
      if (log_.enabled()) log_.Line("door N1MM packet for rotor \"" + packet.rotor + "\" ignored");
      return;
    default:
      break;
  }
  const std::string name = "N1MM " + n1mm_name_;
  arbiter_.Heard(name, now);
  std::optional<Reading> reading = front.LiveReading(now);
  const DoorRequest request =
      N1mmRequest(packet, reading ? std::optional<double>(reading->compass) : std::nullopt);
  TurnOutcome outcome = arbiter_.Carry(front, {Asker::Kind::kProgram, name}, request, now);
  log_.Line("door N1MM " +
            std::string(request.kind == DoorRequest::Kind::kStop
                            ? "stop"
                            : "turn to " + std::to_string(request.azimuth)) +
            (outcome.reason.empty() ? "" : ": " + outcome.reason));
}

void NetworkDoors::Report(Millis now) {
  FrontEnd* front = front_();
  if (n1mm_status_to_.empty() || n1mm_name_.empty() || !front) return;
  std::optional<Reading> reading = front->LiveReading(now);
  if (!reading) return;
  std::string status = N1mmStatus(n1mm_name_, reading->compass);
  if (status == last_status_ && now - last_status_at_ < kStatusEveryMs) return;
  if (!n1mm_status_) n1mm_status_ = std::make_unique<UdpSocket>(nullptr);
  if (!n1mm_status_->SendTo(n1mm_status_to_, status) && status != last_status_)
    log_.Line("door N1MM status cannot go to " + n1mm_status_to_);
  last_status_ = std::move(status);
  last_status_at_ = now;
}

}  // namespace rotserver
