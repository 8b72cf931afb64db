#include "turn_bench_win.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "message_pump_win.h"
#include "workload_win.h"
#include "rotator_stand_in_win.h"
#include "startup_bench_win.h"
#include "wire/wire.h"

namespace bench {

namespace {

const std::string kGreeting = std::string(wire::kGreetingLine) + wire::kLineEnd + '\0';

std::string Hex(const std::string& bytes) {
  std::string text;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    text += buf;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

// Every 10 ms is often enough to see the bridge's window come and go.
bool PumpWatching(const std::function<bool()>& done, DWORD ms) {
  return PumpUntil(done, ms, 10);
}

void AwaitGreeting(const RotatorStandIn& rotator, DWORD ms) {
  if (!PumpWatching([&] { return !rotator.arrivals().empty(); }, ms))
    throw std::runtime_error(
        "no greeting from the bridge within " + std::to_string(ms) +
        " ms (conversations opened: " + std::to_string(rotator.conversations()) + ")");
  const std::string& first = rotator.arrivals().front().bytes;
  if (first != kGreeting)
    throw std::runtime_error("the bridge's first macro is not the greeting: " + Hex(first));
}

HWND AwaitWindow(const std::string& title, DWORD ms) {
  HWND hwnd = nullptr;
  if (!PumpWatching([&] { return (hwnd = FindVisibleWindow(title, 0)) != nullptr; }, ms))
    throw std::runtime_error("no window '" + title + "' within " + std::to_string(ms) + " ms");
  return hwnd;
}

// Takes the samples, each turn request followed by the same status macro without one.
class Sampler {
 public:
  Sampler(const TurnSettings& settings, const Timer& timer, const RotatorStandIn& rotator,
          Client& client, HWND bridge)
      : settings_(settings),
        timer_(timer),
        rotator_(rotator),
        client_(client),
        bridge_(bridge),
        message_(RegisterWindowMessageA(settings.logger_message.c_str())) {
    result_.turn_micros.reserve(settings.count);
    result_.send_gap_micros.reserve(settings.count);
    result_.macro_only_micros.reserve(settings.count);
  }

  void Turn(int degrees, bool measured) {
    std::size_t seen = rotator_.arrivals().size();
    if (!PostMessageA(bridge_, message_, 101, degrees))
      throw std::runtime_error("cannot post the turn request to the bridge's window");
    LONGLONG posted = timer_.Now();
    LONGLONG called = timer_.Now();
    Answer answer = ExecuteStatusMacro(client_, settings_.timeout_ms);
    LONGLONG returned = timer_.Now();
    Count(answer, measured);
    bool arrived =
        PumpWatching([&] { return rotator_.arrivals().size() > seen; }, settings_.command_ms);
    if (!measured) return;
    result_.send_gap_micros.push_back(timer_.Micros(posted, called));
    if (!arrived) {
      ++result_.missing;
      return;
    }
    const Arrival& command = rotator_.arrivals()[seen];
    result_.unexpected += static_cast<int>(rotator_.arrivals().size() - seen - 1);
    if (command.bytes != TargetCommandBytes(degrees)) {
      if (!result_.wrong++)
        std::fprintf(stderr, "turn-latency: for %d degrees the bridge sent %s\n", degrees,
                     Hex(command.bytes).c_str());
      return;
    }
    if (command.when > returned) ++result_.after_execute;
    result_.turn_micros.push_back(timer_.Micros(posted, command.when));
  }

  void MacroOnly(bool measured) {
    std::size_t seen = rotator_.arrivals().size();
    LONGLONG start = timer_.Now();
    Answer answer = ExecuteStatusMacro(client_, settings_.timeout_ms);
    LONGLONG end = timer_.Now();
    Count(answer, measured);
    // Whatever is already queued is handled now; a command among it has no request behind it.
    PumpWatching([] { return true; }, 0);
    if (!measured) return;
    result_.unexpected += static_cast<int>(rotator_.arrivals().size() - seen);
    if (answer != Answer::kNone) result_.macro_only_micros.push_back(timer_.Micros(start, end));
  }

  const TurnResult& result() const { return result_; }

 private:
  void Count(Answer answer, bool measured) {
    if (answer != Answer::kNone) {
      consecutive_unanswered_ = 0;
      if (answer == Answer::kNack && measured) ++result_.not_acknowledged;
      return;
    }
    UINT error = client_.LastError();
    if (measured) ++result_.unanswered;
    if (++consecutive_unanswered_ >= 3)
      throw std::runtime_error("status macros to '" + settings_.bridge_service +
                               "' keep going unanswered (" + ErrorName(error) + ")");
    // A late answer would be credited to the next execute: start a fresh conversation.
    if (!client_.Connect(settings_.connect_ms))
      throw std::runtime_error("cannot reconnect to '" + settings_.bridge_service + "'");
  }

  const TurnSettings& settings_;
  const Timer& timer_;
  const RotatorStandIn& rotator_;
  Client& client_;
  HWND bridge_;
  UINT message_;
  TurnResult result_;
  int consecutive_unanswered_ = 0;
};

}  // namespace

std::string TargetCommandBytes(int degrees) {
  std::string bytes =
      std::to_string(degrees * 10) + wire::kLineEnd + "0" + wire::kLineEnd + "0" + wire::kLineEnd;
  bytes.push_back('\0');
  return bytes;
}

std::string ServiceNameOf(const std::string& path) {
  std::string windows_path = path;
  std::replace(windows_path.begin(), windows_path.end(), '/', '\\');  // either separator
  std::string service = wire::RotatorServiceName(windows_path);
  if (service.empty()) throw std::runtime_error("no DDE service name in '" + path + "'");
  return service;
}

void RunTurnBench(const TurnSettings& settings, const TurnReport& report) {
  Timer timer;
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string service = ServiceNameOf(std::string(path, length));
  RotatorStandIn rotator(service, settings.rotator_topic, timer);
  if (settings.on_ready) settings.on_ready(service);

  AwaitGreeting(rotator, settings.greeting_ms);
  HWND bridge = AwaitWindow(settings.bridge_title, settings.greeting_ms);
  Client client(settings.bridge_service, wire::kStatusTopic);
  if (!client.Connect(settings.connect_ms))
    throw std::runtime_error("cannot connect to DDE service '" + settings.bridge_service +
                             "' topic 'AntDaten' (" + ErrorName(client.LastError()) + ")");

  Sampler sampler(settings, timer, rotator, client, bridge);
  for (int i = 0; i < settings.warmup + settings.count; ++i) {
    bool measured = i >= settings.warmup;
    // Every request differs from the one before, so a late or repeated command shows.
    sampler.Turn((i * 37) % 361, measured);
    sampler.MacroOnly(measured);
  }
  report(sampler.result());
  client.Disconnect();
  PumpWatching([&] { return !IsWindow(bridge); }, settings.linger_ms);
}

}  // namespace bench
