#include "dde_load_win.h"

#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <string>

#include "payload.h"
#include "dde/client_win.h"
#include "turn_flood_win.h"
#include "wire/wire.h"

namespace stress {

namespace {

std::string Hex(UINT value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", value);
  return buf;
}

// One conversation, with the words this tool reports for what DDEML answered.
class Client {
 public:
  Client(const std::string& service, const std::string& topic) : dde_(service, topic) {}

  // False with `why` set: "no-instance", "no-string-handle" (a name DDE cannot carry) or
  // "refused" (nobody answered).
  bool Connect(std::string* why) {
    if (const char* setup = dde_.SetupError()) {
      *why = setup;
      return false;
    }
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    if (dde_.Connect(0, &context)) return true;
    *why = "refused";
    return false;
  }

  // "ack", "notprocessed", "busy" or "error 0x...".
  std::string Execute(const std::string& data, DWORD timeout_ms) {
    ddeml::Client::Answer answer = dde_.Execute(data, timeout_ms);
    if (answer.returned) return "ack";
    if (answer.error == DMLERR_NOTPROCESSED) return "notprocessed";
    if (answer.error == DMLERR_BUSY) return "busy";
    return "error " + Hex(answer.error);
  }

 private:
  ddeml::Client dde_;
};

std::string Service(const Options& options) {
  return options.Text("--service", wire::kBridgeService);
}
std::string Topic(const Options& options) {
  return options.Text("--topic", wire::kStatusTopic);
}

}  // namespace

int RunMacros(const Options& options, Report& report) {
  const long long count = options.Number("--count", 1, 0, kMaxCount);
  const long long base = options.Number<int>("--base", 0);
  const long long step = options.Number<int>("--step", 1);
  const long long direction = options.Number<int>("--direction", 0);
  const long long timeout = options.Number("--timeout", 10000, 0, kMaxMs);
  const long long turn_every = options.Number("--turn-every", 0, 0, kMaxCount);
  TurnPoster turns;
  if (turn_every > 0 && !turns.Open(options.Text("--window"), options.Text("--message"))) {
    report.Add("error", "no-window");
    return 1;
  }
  Client client(Service(options), Topic(options));
  std::string why;
  if (!client.Connect(&why)) {
    report.Add("connect", why);
    return 1;
  }
  const ULONGLONG start = GetTickCount64();
  long long acked = 0, turns_posted = 0, last = 0;
  std::string first_failure;
  for (long long i = 0; i < count; ++i) {
    if (turn_every > 0 && i % turn_every == 0) {
      if (!turns.Post((7 * (i / turn_every)) % 361)) {
        report.Add("error", "post-failed").Add("at", i);
        break;
      }
      ++turns_posted;
    }
    last = ((base + i * step) % 3600 + 3600) % 3600;
    std::string macro = StatusMacro(last, direction);
    macro += '\0';
    std::string result = client.Execute(macro, static_cast<DWORD>(timeout));
    if (result == "ack")
      ++acked;
    else if (first_failure.empty())
      first_failure = std::to_string(i) + ":" + result;
  }
  report.Add("acked", acked)
      .Add("failed", count - acked)
      .Add("turns", turns_posted)
      .Add("last", last)
      .Add("ms", static_cast<long long>(GetTickCount64() - start));
  if (!first_failure.empty()) report.Add("first-failure", first_failure);
  return acked == count ? 0 : 2;
}

int RunPayload(const Options& options, Report& report) {
  PayloadSpec spec;
  spec.single_line = options.Number("--size", 0, 0, kMaxCount);
  spec.lines = options.Number("--lines", 0, 0, kMaxCount);
  spec.binary = options.Number("--binary", 0, 0, kMaxCount);
  spec.terminating_zero = !options.Has("--no-nul");
  const long long timeout = options.Number("--timeout", 60000, 0, kMaxMs);
  auto head = Unescape(options.Text("--head"));
  if (!head)
    throw toolkit::UsageError("--head has a bad escape in '" + options.Text("--head") + "'");
  spec.head = *head;
  const std::string data = BuildPayload(spec);
  Client client(Service(options), Topic(options));
  std::string why;
  if (!client.Connect(&why)) {
    report.Add("connect", why);
    return 1;
  }
  const ULONGLONG start = GetTickCount64();
  std::string result = client.Execute(data, static_cast<DWORD>(timeout));
  report.Add("bytes", static_cast<long long>(data.size()))
      .Add("result", result == "ack" || result == "notprocessed" ? result : "\"" + result + "\"")
      .Add("ms", static_cast<long long>(GetTickCount64() - start));
  return result == "ack" ? 0 : 2;
}

int RunTopic(const Options& options, Report& report) {
  const long long length = options.Number("--length", 0, 0, kMaxCount);
  // "AntDaten" padded with blanks: a reader that trims or cuts too short would match it.
  std::string topic = wire::kStatusTopic;
  topic.resize(static_cast<std::size_t>(length), ' ');
  Client client(Service(options), topic);
  std::string why;
  bool connected = client.Connect(&why);
  report.Add("length", length).Add("connected", connected ? 1 : 0);
  if (!connected) report.Add("why", why);
  return 0;
}

}  // namespace stress
