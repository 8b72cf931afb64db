// A rotctld for RotServer's benchmarks: answers at once in extended response mode, reports a
// rotator that stands still, and notes when each command line arrived (QueryPerformanceCounter),
// so that the way of a target to the rotctld socket is timed on this process's clock. Serves
// one connection at a time on a thread of its own.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bench {

struct LineArrival {
  long long when = 0;  // QueryPerformanceCounter as the line was read
  std::string line;
};

class RotctldPeer {
 public:
  explicit RotctldPeer(double azimuth = 10.0);  // listens on a free loopback port
  ~RotctldPeer();
  RotctldPeer(const RotctldPeer&) = delete;
  RotctldPeer& operator=(const RotctldPeer&) = delete;

  unsigned port() const { return port_; }
  // Lines received so far that begin with `prefix` ("+P", "+p").
  std::vector<LineArrival> With(const std::string& prefix) const;

 private:
  void Serve();
  void Answer(SOCKET client, const std::string& line);

  double azimuth_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<LineArrival> lines_;
  std::thread thread_;
};

}  // namespace bench
