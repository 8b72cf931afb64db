#include "bridge/base/application_win.h"

#include <stdexcept>

#include "bridge/base/error_report_win.h"

namespace vexal {

namespace {
Application* instance = nullptr;
}

Application::Application() {
  if (instance) throw std::logic_error("a second application object");
  instance = this;
}

Application::~Application() {
  instance = nullptr;
}

Application* Application::Instance() {
  return instance;
}

void Application::SetOnMessage(MessageEvent handler) {
  if (!cleared_) on_message_ = std::move(handler);
}

void Application::ClearOnMessage() {
  on_message_ = nullptr;
  cleared_ = true;
}

int MainWindowShowCommand(int startup_show) {
  if (startup_show == SW_SHOWMINNOACTIVE) return SW_SHOWMINNOACTIVE;
  if (startup_show == SW_SHOWMAXIMIZED) return SW_SHOWMAXIMIZED;
  return SW_SHOWNORMAL;
}

void Application::ProcessMessage(const MSG& msg) {
  bool handled = false;
  if (on_message_) {
    MessageEvent filter = on_message_;  // the filter may detach itself
    filter(msg, handled);
  }
  if (handled) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  if (on_dispatched_) on_dispatched_(msg);
}

int Application::Run(HWND main_window, int startup_show) {
  ShowWindow(main_window, MainWindowShowCommand(startup_show));
  MSG msg{};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    CallGuarded(
        [&] {
          ProcessMessage(msg);
          return true;
        },
        false);
  }
  return static_cast<int>(msg.wParam);
}

void Application::Terminate() {
  PostQuitMessage(0);
}

}  // namespace vexal
