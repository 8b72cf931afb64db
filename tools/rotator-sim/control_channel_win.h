// Run-time commands for the rotator server ("off", "target 120", ...): WM_COPYDATA to a hidden
// window of class "RotatorSimControl" titled "rotator-sim PID", and optionally lines from
// standard input. Every command reaches the handler on the thread that created the channel.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/line_log_win.h"

namespace rotsim {

inline constexpr char kControlClass[] = "RotatorSimControl";
inline constexpr ULONG_PTR kControlCopyDataId = 0x524F54;  // "ROT"

class ControlChannel {
 public:
  // True when the command was understood; the sender of a WM_COPYDATA gets it as the result.
  using Handler = std::function<bool(const std::string&)>;
  ControlChannel(Handler handler, bool from_stdin, toolkit::LineLog& log);
  ~ControlChannel();
  ControlChannel(const ControlChannel&) = delete;
  ControlChannel& operator=(const ControlChannel&) = delete;

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static DWORD WINAPI ReadStdin(void* self);
  LRESULT OnCopyData(const COPYDATASTRUCT& data);

  Handler handler_;
  toolkit::LineLog& log_;
  HWND window_ = nullptr;
  HANDLE reader_ = nullptr;
};

}  // namespace rotsim
