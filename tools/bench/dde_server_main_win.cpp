// The smallest DDEML server: it registers a service, accepts every topic and acknowledges every
// execute without looking at it. Its round trip is what the platform costs by itself.
//
// With --show 1 it also shows each status macro in a visible window (an edit box and two
// panels, see status_window.h) before it acknowledges: the platform's cost of a turning rotator.
//
// bench-dde-server [--service NAME] [--seconds N] [--refuse 1] [--show 1]
// Ends on WM_CLOSE to its hidden window "bench-dde-server NAME", or after N seconds (default
// 600) so that a forgotten server never outlives a run for long.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "toolkit/options.h"
#include "status_window_win.h"
#include "dde/server_win.h"

namespace {

bool g_refuse = false;
bench::StatusWindow* g_window = nullptr;

void ShowMacro(std::string_view bytes) {
  try {
    g_window->Show(bytes.data(), bytes.size());
  } catch (const std::exception&) {
    // Nothing to show; the execute is still answered.
  }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Every topic of `service`; each execute shown (with --show) and answered.
std::unique_ptr<ddeml::Server> StartServer(const std::string& service) {
  ddeml::ServerHandlers handlers;
  handlers.execute = [](const ddeml::IncomingExecute& execute) {
    if (g_window) ShowMacro(execute.bytes);
    return g_refuse ? ddeml::ExecuteAnswer::kNotProcessed : ddeml::ExecuteAnswer::kAck;
  };
  std::string error;
  auto server = ddeml::Server::Start({service, std::nullopt}, std::move(handlers), &error);
  if (!server) throw std::runtime_error(error);
  return server;
}

int Run(const toolkit::Options& options) {
  std::string service = options.Text("--service", "BenchServer");
  long seconds = options.Number("--seconds", 600, 1, 86400);
  g_refuse = options.Number("--refuse", 0, 0, 1) == 1;
  bool show = options.Number("--show", 0, 0, 1) == 1;

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = "BenchDdeServer";
  RegisterClassA(&wc);
  std::string title = "bench-dde-server " + service;
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPED, 0, 0, 0, 0,
                              nullptr, nullptr, instance, nullptr);
  if (!hwnd) throw std::runtime_error("cannot create the control window");

  std::unique_ptr<bench::StatusWindow> window;
  if (show) window = std::make_unique<bench::StatusWindow>();
  g_window = window.get();
  auto server = StartServer(service);
  SetTimer(hwnd, 1, static_cast<UINT>(seconds * 1000), nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == hwnd) DestroyWindow(hwnd);
    DispatchMessageA(&msg);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using toolkit::Takes;
  static const toolkit::OptionSpec kOptions[] = {{"--help -h"},
                                                 {"--service", Takes::kValue},
                                                 {"--seconds", Takes::kValue},
                                                 {"--refuse", Takes::kValue},
                                                 {"--show", Takes::kValue}};
  try {
    toolkit::Options options({argv + 1, argv + argc}, kOptions);
    if (options.Has("--help")) {
      std::fputs("usage: bench-dde-server [--service NAME] [--seconds N] [--refuse 1] [--show 1]\n",
                 stdout);
      return 0;
    }
    return Run(options);
  } catch (const toolkit::UsageError& e) {
    std::fputs(toolkit::UsageLine("bench-dde-server", e).c_str(), stderr);
    return toolkit::kUsageStatus;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench-dde-server: %s\n", e.what());
    return 1;
  }
}
