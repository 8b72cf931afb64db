#include "client_mode_win.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "toolkit/byte_text.h"
#include "dde/client_win.h"
#include "wire/wire.h"

namespace rotsim {

namespace {

constexpr DWORD kExecuteTimeoutMs = 10000;

// Waits while handling messages: a client that sleeps would hold up every DDE broadcast.
void Pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

std::string Hex(UINT value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", value);
  return buf;
}

bool AddMacroLines(const std::string& text, std::vector<std::string>* macros, std::string* error) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto bytes = toolkit::Unescape(line);
    if (!bytes) {
      *error = "bad escape in " + line;
      return false;
    }
    macros->push_back(*bytes);
  }
  return true;
}

std::string ReadStdin() {
  std::string text;
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  char buf[4096];
  DWORD n = 0;
  while (in && in != INVALID_HANDLE_VALUE && ReadFile(in, buf, sizeof buf, &n, nullptr) && n > 0)
    text.append(buf, n);
  return text;
}

std::string ResultName(const ddeml::Client::Answer& answer) {
  if (answer.returned) return "ack";
  UINT error = answer.error;
  if (error == DMLERR_NOTPROCESSED) return "notprocessed";
  if (error == DMLERR_BUSY) return "busy";
  return "error " + Hex(error);
}

}  // namespace

int RunClient(const Options& options, toolkit::LineLog& log) {
  std::vector<std::string> macros = options.macros;
  std::string error;
  if (!options.script.empty()) {
    std::ifstream in(options.script, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    if (!in || !AddMacroLines(content.str(), &macros, &error)) {
      log.Line("error script " + options.script + ": " + (error.empty() ? "unreadable" : error));
      return 1;
    }
  }
  if (options.from_stdin && !AddMacroLines(ReadStdin(), &macros, &error)) {
    log.Line("error stdin: " + error);
    return 1;
  }

  std::string service = options.service.value_or("");
  std::string topic = options.topic.value_or(wire::kStatusTopic);
  // An empty name asks for any service or topic: a wild connect.
  auto or_any = [](const std::string& s) { return s.empty() ? std::nullopt : std::optional(s); };
  ddeml::Client dde(or_any(service), or_any(topic));
  if (const char* setup = dde.SetupError()) {
    log.Line(std::string(setup) == "no-instance" ? "error DdeInitialize failed"
                                                 : "error service or topic is no DDE name");
    return 1;
  }
  CONVCONTEXT context{};
  context.cb = sizeof context;
  context.iCodePage = CP_WINANSI;
  if (!dde.Connect(0, &context)) {
    log.Line("connect failed service=" + service + " topic=" + topic +
             " error=" + Hex(dde.LastError()));
    return 1;
  }
  ddeml::Client::Partner partner = dde.PartnerNames();
  log.Line("connect ok service=" + service + " topic=" + topic + " partner=" + partner.service +
           " partner-topic=" + partner.topic);
  int status = 0;
  for (std::size_t i = 0; i < macros.size(); ++i) {
    if (i > 0 && options.interval_ms) Pump(options.interval_ms);
    std::string data = macros[i];
    if (!options.raw) data.push_back('\0');
    std::string name = ResultName(dde.Execute(data, kExecuteTimeoutMs));
    if (name != "ack") status = 2;
    log.Line("execute " + std::to_string(i + 1) + " size=" + std::to_string(data.size()) +
             " hex=" + toolkit::HexBytes(data) + " text=\"" + toolkit::EscapedText(data) + "\" result=" + name);
  }
  if (options.hold_ms) Pump(options.hold_ms);
  dde.Disconnect();
  log.Line("disconnect");
  return status;
}

}  // namespace rotsim
