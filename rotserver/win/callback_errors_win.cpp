#include "rotserver/win/callback_errors_win.h"

#include <windows.h>

#include <exception>
#include <utility>

namespace rotserver {

namespace {

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

// Set while a report is being delivered: an error inside the sink itself (it may repaint the
// window, whose procedure reports its own errors) goes to the debugger only, not round again.
bool delivering = false;

std::string WhatOfCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

}  // namespace

void SetCallbackErrorSink(std::function<void(const std::string&)> sink) {
  Sink() = std::move(sink);
}

void ReportCallbackError(const char* where) noexcept {
  try {
    ReportCallbackError(where, WhatOfCurrentException());
  } catch (...) {
    // Out of memory for the text: nothing more can be said.
  }
}

void ReportCallbackError(const char* where, const std::string& what) noexcept {
  try {
    std::string text = std::string(where) + ": " + what;
    OutputDebugStringA(("RotServer " + text + "\n").c_str());
    if (!Sink() || delivering) return;
    delivering = true;
    try {
      Sink()(text);
    } catch (...) {
      OutputDebugStringA("RotServer: the error report itself failed\n");
    }
    delivering = false;
  } catch (...) {
    // Out of memory for the text: nothing more can be said.
  }
}

}  // namespace rotserver
