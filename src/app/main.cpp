// Placeholder entry point: a bare window with the bridge's caption, replaced by the real
// start-up sequence.
#include <windows.h>

#include <memory>

#include "app/error_report.h"
#include "app/errors.h"
#include "dde/dde_mgr.h"
#include "dde/dde_server_conv.h"

static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  std::unique_ptr<vexal::dde::TDdeMgr> dde;
  try {
    dde = std::make_unique<vexal::dde::TDdeMgr>();
  } catch (const std::exception& e) {
    vexal::ShowException(e);
    return 1;
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.lpszClassName = "TForm6";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "TForm6", "Logger32-Vexal", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 212, 236, nullptr, nullptr, instance,
                              nullptr);
  vexal::dde::TDdeServerConv AntDaten("AntDaten");
  // Stand-in for the status macro handler: a macro of 7 to 9 lines is a list error there too.
  AntDaten.OnExecuteMacro = [](vexal::dde::TDdeServerConv&, const std::vector<std::string>& msg) {
    if (msg.size() >= 7 && msg.size() <= 9)
      throw vexal::EStringListError("Listenindex überschreitet das Maximum (" +
                                    std::to_string(msg.size()) + ")");
  };
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
