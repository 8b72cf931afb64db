#include "rotctld_bench_peer_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace bench {

RotctldPeer::RotctldPeer(double azimuth) : azimuth_(azimuth) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 4) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    return;
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

RotctldPeer::~RotctldPeer() {
  stopping_ = true;
  closesocket(listener_);  // ends the accept; a served client ends with its connection
  if (thread_.joinable()) thread_.detach();
  WSACleanup();
}

std::vector<LineArrival> RotctldPeer::With(const std::string& prefix) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<LineArrival> found;
  for (const auto& l : lines_)
    if (l.line.rfind(prefix, 0) == 0) found.push_back(l);
  return found;
}

void RotctldPeer::Answer(SOCKET client, const std::string& line) {
  char reply[256] = "";
  if (line == "+\\dump_state") {
    std::snprintf(reply, sizeof reply,
                  "dump_state:\n1\n1\nmin_az=0.000000\nmax_az=360.000000\ndone\nRPRT 0\n");
  } else if (line == "+p") {
    std::snprintf(reply, sizeof reply, "get_pos:\nAzimuth: %.2f\nElevation: 0.00\nRPRT 0\n",
                  azimuth_);
  } else if (line.rfind("+P ", 0) == 0) {
    std::snprintf(reply, sizeof reply, "set_pos: %s\nRPRT 0\n", line.c_str() + 3);
  } else if (line == "+S") {
    std::snprintf(reply, sizeof reply, "stop:\nRPRT 0\n");
  }
  // The rotator stands where it stands: targets are taken but never move it.
  if (*reply) send(client, reply, static_cast<int>(std::strlen(reply)), 0);
}

void RotctldPeer::Serve() {
  while (!stopping_) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    BOOL no_delay = TRUE;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay),
               sizeof no_delay);
    std::string buffer;
    char chunk[1024];
    int got = 0;
    while ((got = recv(client, chunk, sizeof chunk, 0)) > 0) {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      buffer.append(chunk, static_cast<std::size_t>(got));
      std::size_t end;
      while ((end = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          lines_.push_back({now.QuadPart, line});
        }
        Answer(client, line);
      }
    }
    closesocket(client);
  }
}

}  // namespace bench
