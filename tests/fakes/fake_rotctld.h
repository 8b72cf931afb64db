// A scripted stand-in for rotctld in extended response mode behind a fake ByteLink, on a
// virtual clock: it answers like Hamlib 4.5's dummy rotator unless a test scripts otherwise
// (silence, error reports, a slow controller, a closed socket, replies cut into pieces).
#pragma once

#include <cmath>
#include <cstdio>
#include <deque>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "rotserver/core/rotctld_driver.h"

namespace rotserver::testing {

struct Written {
  Millis at;
  std::string line;
};

class FakeRotctld : public ByteLink {
 public:
  // The rotator behind the daemon.
  double azimuth = 0;
  double speed_dps = 6;
  std::optional<double> target;
  double min_az = -180, max_az = 450;
  double elevation = 0;  // reached at once
  double min_el = 0, max_el = 90;

  Millis latency_ms = 5;  // how long the controller takes to answer
  std::size_t chunk = 0;  // > 0: replies arrive in pieces of this many bytes
  bool accept_connections = true;
  bool answer_connect = true;  // false: a connect that neither succeeds nor fails
  // Per command line (without the newline): a reply to use instead, or "" for none at all.
  std::function<std::optional<std::string>(const std::string& line)> script;
  // Replies to dump_state in extended mode by default; tests can swap the body.
  std::string dump_state_body =
      "rotctld Protocol Ver: 1\nRotor Model: 1\nMinimum Azimuth: -180.000000\n"
      "Maximum Azimuth: 450.000000\nMinimum Elevation: 0.000000\nMaximum Elevation: 90.000000\n"
      "South Zero: 0\nrot_type=AzEl\ndone\n";

  RotctldDriver driver;
  Millis now = 0;
  int opens = 0;
  int closes = 0;
  std::vector<Written> written;
  std::vector<Millis> opens_at;
  int outstanding = 0;  // commands written and not answered (answers scheduled count)
  int max_outstanding = 0;

  explicit FakeRotctld(RotctldTiming timing = {},
                       std::optional<AzimuthLimits> configured_range = std::nullopt)
      : driver(*this, timing, configured_range) {}

  void Open() override {
    ++opens;
    opens_at.push_back(now);
    connected_ = false;
    if (!answer_connect) return;
    if (accept_connections)
      Schedule(now + 1, [this] {
        connected_ = true;
        driver.OnOpened(now);
      });
    else
      Schedule(now + 1, [this] { driver.OnClosed("connection refused", now); });
  }
  void Write(std::string_view bytes) override {
    written.push_back({now, std::string(bytes)});
    max_outstanding = std::max(max_outstanding, ++outstanding);
    std::string line(bytes.substr(0, bytes.size() - 1));
    std::optional<std::string> reply = script ? script(line) : std::nullopt;
    if (!reply) reply = Answer(line);
    if (reply->empty()) {
      --outstanding;  // rotctld says nothing to what it does not know
      return;
    }
    Deliver(*reply, now + latency_ms);
  }
  void Close() override {
    ++closes;
    connected_ = false;
    events_.clear();
    outstanding = 0;
  }

  // The daemon drops the connection now, as 4.7 does on a serial I/O error.
  void DropConnection() {
    connected_ = false;
    events_.clear();
    outstanding = 0;
    driver.OnClosed("", now);
  }
  // Runs the clock for `ms`, ticking the driver every 10 ms as the shell's timer would.
  void Run(Millis ms) {
    for (Millis end = now + ms; now < end;) {
      now += 1;
      RunDue();
      if (now % 10 == 0) driver.Tick(now);
      Move(0.001);
    }
  }
  void Deliver(const std::string& bytes, Millis at) {
    std::size_t step = chunk ? chunk : bytes.size();
    for (std::size_t i = 0; i < bytes.size(); i += step) {
      std::string piece = bytes.substr(i, step);
      bool last = i + step >= bytes.size();
      Schedule(at, [this, piece, last] {
        if (last) --outstanding;
        driver.OnBytes(piece, now);
      });
    }
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const Written& w : written) lines.push_back(w.line);
    return lines;
  }
  std::vector<Millis> TimesOf(const std::string& line) const {
    std::vector<Millis> times;
    for (const Written& w : written)
      if (w.line == line) times.push_back(w.at);
    return times;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const Written& w : written) n += w.line.rfind(prefix, 0) == 0;
    return n;
  }

 private:
  struct Event {
    Millis at;
    std::function<void()> run;
  };
  void Schedule(Millis at, std::function<void()> run) {
    auto it = events_.end();
    while (it != events_.begin() && std::prev(it)->at > at) --it;
    events_.insert(it, {at, std::move(run)});
  }
  void RunDue() {
    while (!events_.empty() && events_.front().at <= now) {
      Event e = std::move(events_.front());
      events_.pop_front();
      e.run();
    }
  }
  void Move(double seconds) {
    if (!target) return;
    double step = speed_dps * seconds;
    if (std::fabs(*target - azimuth) <= step) {
      azimuth = *target;
      target.reset();
    } else {
      azimuth += *target > azimuth ? step : -step;
    }
  }
  std::string Answer(const std::string& line) {
    char text[160];
    if (line == "+\\dump_state") return "dump_state:\n" + dump_state_body + "RPRT 0\n";
    if (line == "+p") {
      std::snprintf(text, sizeof text, "get_pos:\nAzimuth: %.2f\nElevation: %.2f\nRPRT 0\n",
                    azimuth, elevation);
      return text;
    }
    if (line == "+S") {
      target.reset();
      return "stop:\nRPRT 0\n";
    }
    double az = 0, el = 0;
    if (std::sscanf(line.c_str(), "+P %lf %lf", &az, &el) == 2) {
      bool inside = az >= min_az && az <= max_az && el >= min_el && el <= max_el;
      if (inside) target = az;
      if (inside) elevation = el;
      return "set_pos: " + line.substr(3) + "\nRPRT " + (inside ? "0" : "-1") + "\n";
    }
    return "";
  }

  bool connected_ = false;
  std::deque<Event> events_;  // in time order
};

}  // namespace rotserver::testing
