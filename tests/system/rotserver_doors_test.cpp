// RotServer's network doors from outside, as other programs in the shack meet them: Hamlib's own
// rotctl and a plain client that sends only p and P on the rotctld-protocol port, N1MM-style
// rotor packets and their status datagrams, the bridge (this process) between them, and clients
// that send too much while another still gets its answers. RotServer drives the scripted
// stand-in for rotctld.
#include <gtest/gtest.h>

#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "rotserver_support.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver/win/rotctld_probe_win.h"
#include "rotserver/win/sockets_win.h"
#include "winui/registry_win.h"

using namespace std::chrono_literals;
using harness::WaitUntil;

namespace {

using Clock = std::chrono::steady_clock;

unsigned PortOf(SOCKET s) {
  sockaddr_in a{};
  int length = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
  return ntohs(a.sin_port);
}

// A plain client of the rotctld-protocol port, as a tracker that sends only p and P.
class Client {
 public:
  explicit Client(unsigned port) : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
    sockaddr_in a = rotserver::LoopbackAddress(port);
    connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~Client() { closesocket(socket_); }
  bool connected() const { return connected_; }
  unsigned local_port() const { return PortOf(socket_); }
  SOCKET socket() const { return socket_; }
  // Sends `line` and gathers `lines` answer lines within 5 s ("" when they did not come).
  std::string Ask(const std::string& line, int lines) {
    send(socket_, line.data(), static_cast<int>(line.size()), 0);
    const auto deadline = Clock::now() + 5s;
    while (std::count(buffer_.begin(), buffer_.end(), '\n') < lines) {
      const auto left =
          std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
      if (left.count() <= 0) return {};
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(socket_, &readable);
      timeval wait{static_cast<long>(left.count() / 1000000),
                   static_cast<long>(left.count() % 1000000)};
      if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return {};
      char chunk[512];
      int got = recv(socket_, chunk, sizeof chunk, 0);
      if (got <= 0) return {};
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
    std::size_t end = 0;
    for (int i = 0; i < lines; ++i) end = buffer_.find('\n', end) + 1;
    std::string answer = buffer_.substr(0, end);
    buffer_.erase(0, end);
    return answer;
  }

 private:
  SOCKET socket_;
  bool connected_ = false;
  std::string buffer_;
};

// Sends all of `bytes` on a non-blocking socket as fast as it is taken, until `stop`: a load,
// not a wait for anything.
void Push(SOCKET s, const std::string& bytes, const std::atomic<bool>& stop) {
  for (std::size_t sent = 0; sent < bytes.size() && !stop;) {
    int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
      std::this_thread::sleep_for(5ms);
    } else {
      return;
    }
  }
}

// The azimuth rotctl printed first ("rc=0 | 40.000000 | 0.000000"); nothing when it failed.
std::optional<double> FirstValue(const std::string& answer) {
  if (answer.rfind("rc=0 | ", 0) != 0) return std::nullopt;
  return std::atof(answer.c_str() + 7);
}

class RotServerDoors : public rstest::StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    status_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a = rotserver::LoopbackAddress(0);
    bind(status_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    DWORD timeout_ms = 5000;
    setsockopt(status_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms),
               sizeof timeout_ms);
  }
  void TearDown() override {
    closesocket(status_);
    StandInTest::TearDown();
    WSACleanup();
  }

  // RotServer over the stand-in with both doors on, its first reading at the bridge.
  void Start() {
    ASSERT_TRUE(stand_in_->Set("speed=360 az=10 min_az=-180 max_az=450"));
    rstest::StoreSettings(rstest::RotctldSettings(stand_in_->Address(), 250));
    tcp_port_ = static_cast<unsigned>(rotserver::SpareLoopbackPort());
    udp_port_ = static_cast<unsigned>(rotserver::SpareLoopbackPort());  // UDP's is free as well
    const std::pair<const char*, std::string> values[] = {
        {"ServeRotctld", "127.0.0.1:" + std::to_string(tcp_port_)},
        {"ServeN1mm", std::to_string(udp_port_)},
        {"N1mmRotorName", "Tower"},
        {"N1mmStatusTo", "127.0.0.1:" + std::to_string(PortOf(status_))}};
    for (const auto& [name, text] : values)
      ASSERT_TRUE(winui::SetUserString(harness::kVexalKey, name, text));
    server_ = std::make_unique<rstest::RotServer>(job_, dir_ + "\\rotserver.log");
    ASSERT_TRUE(bridge_.WaitAzimuth(100, 20s)) << bridge_.LatestAzimuth().value_or(-1);
  }

  void SendN1mm(const std::string& packet) {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a = rotserver::LoopbackAddress(udp_port_);
    sendto(s, packet.data(), static_cast<int>(packet.size()), 0, reinterpret_cast<sockaddr*>(&a),
           sizeof a);
    closesocket(s);
  }
  bool WaitStatusDatagram(const std::string& text) {
    char buffer[256];
    for (int i = 0; i < 40; ++i) {
      int got = recv(status_, buffer, sizeof buffer, 0);
      if (got <= 0) return false;
      if (std::string(buffer, static_cast<std::size_t>(got)) == text) return true;
    }
    return false;
  }
  bool WaitPosition(const std::string& az) {
    return WaitUntil([&] { return stand_in_->Control("position") == az; }, 10s);
  }
  // "turning right, target from 127.0.0.1:53122"; the target itself beside the heading.
  std::string WhoAsked() const { return server_->ChildText(rotserver::kIdActivity); }
  std::string Target() const { return server_->ChildText(rotserver::kIdTarget); }

  unsigned tcp_port_ = 0, udp_port_ = 0;
  SOCKET status_ = INVALID_SOCKET;
};

TEST_F(RotServerDoors, HamlibN1mmAndTheBridgeTurnOneRotatorAndTheWindowNamesWhoAsked) {
  Start();
  // Hamlib's own network backend: it opens with \dump_state and fails when it cannot read it.
  rstest::LinuxStandIn rotctl;
  const std::string port_file = dir_ + "\\rotctl.ports";
  ASSERT_TRUE(rotctl.Start(
      "Z:\\usr\\bin\\python3 " + std::string(VEXAL_RUN_ROTCTL) + " " + rstest::UnixPath(port_file),
      port_file, 15s));
  const std::string where = "-r 127.0.0.1:" + std::to_string(tcp_port_) + " ";
  EXPECT_EQ(rotctl.Ask(where + "set_pos 40 0 get_info"), "rc=0 | RotServer");
  std::string reading;
  EXPECT_TRUE(
      WaitUntil([&] { return FirstValue(reading = rotctl.Ask(where + "get_pos")) == 40.0; }, 10s))
      << reading;
  EXPECT_EQ(rotctl.Ask(where + "stop"), "rc=0");
  EXPECT_NE(rotctl.Ask(where + "set_pos 451 0").substr(0, 4), "rc=0");  // beyond its \dump_state

  Client plain(tcp_port_);
  ASSERT_TRUE(plain.connected());
  EXPECT_EQ(plain.Ask("P 451 0\n", 1), "RPRT -1\n");
  EXPECT_EQ(plain.Ask("P 400.5 0\n", 1), "RPRT 0\n");
  // Answered from RotServer's latest reading: the stand-in's position a poll later.
  std::string answer;
  EXPECT_TRUE(WaitUntil([&] { return (answer = plain.Ask("p\n", 2)) == "400.50\n0.00\n"; }, 10s))
      << answer;
  const std::string me = "127.0.0.1:" + std::to_string(plain.local_port());
  EXPECT_TRUE(
      WaitUntil([&] { return WhoAsked().find("target from " + me) != std::string::npos; }, 5s))
      << WhoAsked();
  EXPECT_NE(server_->ChildText(rotserver::kIdBridgeLine).find(me), std::string::npos)
      << server_->ChildText(rotserver::kIdBridgeLine);

  // Logger32 through the bridge, then N1MM: the last target wins, the window names it.
  ASSERT_TRUE(bridge_.SendTarget(600));
  EXPECT_TRUE(
      WaitUntil([&] { return WhoAsked().find("target from Logger32") != std::string::npos; }, 5s))
      << WhoAsked();
  ASSERT_TRUE(WaitPosition("420.00"));  // 60 through the overlap, the nearer way
  SendN1mm(
      "<N1MMRotor><rotor>Stack</rotor><goazi>300.0</goazi><offset>0.0</offset>"
      "<bidirectional>0</bidirectional><freqband>14</freqband></N1MMRotor>");
  SendN1mm("<N1MMRotor><rotor>Tower</rotor><goazi>300.0</goazi></N1MMRotor>");
  SendN1mm(
      "<N1MMRotor><rotor>Tower</rotor><goazi>80.0</goazi><offset>0.0</offset>"
      "<bidirectional>0</bidirectional><freqband>14</freqband></N1MMRotor>");
  ASSERT_TRUE(WaitPosition("440.00"));
  EXPECT_TRUE(
      WaitUntil([&] { return WhoAsked().find("target from N1MM Tower") != std::string::npos; }, 5s))
      << WhoAsked();
  EXPECT_TRUE(WaitStatusDatagram("Tower @ 800"));
  EXPECT_TRUE(server_->WaitLog("door N1MM packet from 127.0.0.1:", 5s));  // the malformed one
  EXPECT_EQ(stand_in_->ReceivedWith("+P 300").size(), 0u);  // neither Stack's nor the malformed
  EXPECT_EQ(plain.Ask("P 200 0\n", 1), "RPRT 0\n");
  SendN1mm("<N1MMRotor><stop><rotor>Tower</rotor><freqband>14</freqband></stop></N1MMRotor>");
  EXPECT_TRUE(WaitUntil([&] { return Target().empty(); }, 5s)) << WhoAsked();
  EXPECT_TRUE(WaitUntil([&] { return !stand_in_->ReceivedWith("+S").empty(); }, 5s));
}

TEST_F(RotServerDoors, AFloodOrAnEndlessLineHoldsUpNeitherOtherClientsNorTheBridge) {
  Start();
  Client quiet(tcp_port_), endless(tcp_port_), flooder(tcp_port_);
  ASSERT_TRUE(quiet.connected() && endless.connected() && flooder.connected());
  std::atomic<bool> stop{false};
  u_long non_blocking = 1;
  ioctlsocket(endless.socket(), FIONBIO, &non_blocking);
  ioctlsocket(flooder.socket(), FIONBIO, &non_blocking);
  std::thread megabyte([&] { Push(endless.socket(), std::string(1 << 20, 'x') + "\n", stop); });
  std::thread flood([&] {
    std::string lines;
    for (int i = 0; i < 2000; ++i) lines += "p\n";
    while (!stop) Push(flooder.socket(), lines, stop);
  });
  const std::size_t macros = bridge_.macros().size();
  std::vector<double> waits;
  for (int i = 0; i < 5; ++i) {
    const auto asked = Clock::now();
    ASSERT_EQ(quiet.Ask("p\n", 2), "10.00\n0.00\n");
    waits.push_back(std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
  }
  std::sort(waits.begin(), waits.end());
  EXPECT_LT(waits[2], 200) << "median answer time in ms under the flood";
  EXPECT_TRUE(WaitUntil([&] { return bridge_.macros().size() >= macros + 4; }, 5s))
      << "the status macros stopped while a client flooded";
  EXPECT_TRUE(server_->WaitLog("line(s) longer than 1 KiB dropped", 10s));
  EXPECT_TRUE(server_->WaitLog("sends faster than it is answered", 5s));
  stop = true;
  megabyte.join();
  flood.join();
  shutdown(flooder.socket(), SD_BOTH);
  shutdown(endless.socket(), SD_BOTH);
  // At most 16 clients: the 17th is closed at once.
  std::vector<std::unique_ptr<Client>> more;
  for (int i = 0; i < 16; ++i) more.push_back(std::make_unique<Client>(tcp_port_));
  EXPECT_TRUE(server_->WaitLog(" refused: already 16 clients", 5s));
  EXPECT_EQ(quiet.Ask("p\n", 2), "10.00\n0.00\n");
}

}  // namespace
