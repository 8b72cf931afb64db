// The application object: owns the message loop, which passes every message it takes from
// the queue through the one OnMessage slot before translating and dispatching it, and tells
// the one OnDispatched slot about every message it has dispatched.
#pragma once

#include <windows.h>

#include <functional>

namespace vexal {

class Application {
 public:
  using MessageEvent = std::function<void(const MSG& msg, bool& handled)>;
  using DispatchedEvent = std::function<void(const MSG& msg)>;

  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The one application object of the process, or nullptr outside its lifetime. Every object
  // that code without a pointer to it must reach (a C callback, a handler) is found this way:
  // the constructor sets a file-local `instance`, the destructor clears it, a second one is a
  // logic error.
  static Application* Instance();

  void SetOnMessage(MessageEvent handler);
  // Detaches the message filter for the rest of the process: later SetOnMessage calls are
  // ignored.
  void ClearOnMessage();
  // Runs after each message that the loop dispatched (not after those the filter handled).
  void SetOnDispatched(DispatchedEvent handler) { on_dispatched_ = std::move(handler); }

  // Shows the main window as the process was asked to start (minimised, maximised or normal),
  // then runs the loop until the quit message. An error that escapes a handler is shown in the
  // error box and the loop goes on. Returns the quit code.
  int Run(HWND main_window, int startup_show);
  void Terminate();

  // One message as the loop treats it: filter, then translate and dispatch unless handled.
  void ProcessMessage(const MSG& msg);

 private:
  MessageEvent on_message_;
  DispatchedEvent on_dispatched_;
  bool cleared_ = false;
};

// The show command for the main window from the one the process was started with.
int MainWindowShowCommand(int startup_show);

}  // namespace vexal
