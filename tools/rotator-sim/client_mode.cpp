#include "client_mode.h"

#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "byte_text.h"
#include "wire/wire.h"

namespace rotsim {

namespace {

constexpr DWORD kExecuteTimeoutMs = 10000;

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

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

std::string QueryName(DWORD inst, HSZ hsz) {
  char buf[256] = "";
  if (hsz) DdeQueryStringA(inst, hsz, buf, sizeof buf, CP_WINANSI);
  return buf;
}

bool AddMacroLines(const std::string& text, std::vector<std::string>* macros, std::string* error) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto bytes = Unescape(line);
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

std::string ResultName(DWORD inst, HDDEDATA result) {
  if (result) return "ack";
  UINT error = DdeGetLastError(inst);
  if (error == DMLERR_NOTPROCESSED) return "notprocessed";
  if (error == DMLERR_BUSY) return "busy";
  return "error " + Hex(error);
}

}  // namespace

int RunClient(const Options& options, SimLog& log) {
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

  DWORD inst = 0;
  if (DdeInitializeA(&inst, &ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    log.Line("error DdeInitialize failed");
    return 1;
  }
  std::string service = options.service.value_or("");
  std::string topic = options.topic.value_or(wire::kStatusTopic);
  HSZ service_handle =
      service.empty() ? nullptr : DdeCreateStringHandleA(inst, service.c_str(), CP_WINANSI);
  HSZ topic_handle =
      topic.empty() ? nullptr : DdeCreateStringHandleA(inst, topic.c_str(), CP_WINANSI);
  CONVCONTEXT context{};
  context.cb = sizeof context;
  context.iCodePage = CP_WINANSI;
  HCONV conv = DdeConnect(inst, service_handle, topic_handle, &context);
  int status = 0;
  if (!conv) {
    log.Line("connect failed service=" + service + " topic=" + topic +
             " error=" + Hex(DdeGetLastError(inst)));
    status = 1;
  } else {
    CONVINFO info{};
    info.cb = sizeof info;
    DdeQueryConvInfo(conv, QID_SYNC, &info);
    log.Line("connect ok service=" + service + " topic=" + topic +
             " partner=" + QueryName(inst, info.hszSvcPartner) +
             " partner-topic=" + QueryName(inst, info.hszTopic));
    for (std::size_t i = 0; i < macros.size(); ++i) {
      if (i > 0 && options.interval_ms) Pump(options.interval_ms);
      std::string data = macros[i];
      if (!options.raw) data.push_back('\0');
      DWORD result_flags = 0;
      HDDEDATA result = DdeClientTransaction(
          reinterpret_cast<LPBYTE>(data.data()), static_cast<DWORD>(data.size()), conv, nullptr,
          CF_TEXT, XTYP_EXECUTE, kExecuteTimeoutMs, &result_flags);
      std::string name = ResultName(inst, result);
      if (name != "ack") status = 2;
      log.Line("execute " + std::to_string(i + 1) + " size=" + std::to_string(data.size()) +
               " hex=" + HexBytes(data) + " text=\"" + EscapedText(data) + "\" result=" + name);
    }
    if (options.hold_ms) Pump(options.hold_ms);
    DdeDisconnect(conv);
    log.Line("disconnect");
  }
  if (service_handle) DdeFreeStringHandle(inst, service_handle);
  if (topic_handle) DdeFreeStringHandle(inst, topic_handle);
  DdeUninitialize(inst);
  return status;
}

}  // namespace rotsim
