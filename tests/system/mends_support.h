// Helpers for the tests of the bridge's error box, its DDE topics and its program start: a
// DDE client in the test process that tells the bridge's three answers apart, and the bridge's
// message boxes as an operator sees them.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>
#include <vector>

#include "harness.h"
#include "dde/client_win.h"

namespace mends {

enum class Answer { Ack, NotProcessed, NoAnswer };
const char* Name(Answer answer);

// One conversation with the bridge ("Logger32Vexal") on a topic, from its own DDE instance.
class BridgeClient {
 public:
  explicit BridgeClient(const std::string& topic = "AntDaten");
  BridgeClient(const BridgeClient&) = delete;
  BridgeClient& operator=(const BridgeClient&) = delete;

  bool Connected() const { return dde_.conv() != nullptr; }
  // Executes `text` (with a terminating zero) synchronously; the answer and how long it took.
  Answer Execute(const std::string& text, DWORD* took_ms = nullptr);

 private:
  ddeml::Client dde_;
};

// A ten-line status macro with CR LF after each line: azimuth in tenths, then zeros, line 10 "1".
std::string StatusText(const std::string& line1);
std::string StatusText(long azimuth_tenths);
// The same ten lines as a list.
std::vector<std::string> StatusTextLines(const std::string& line1);

// The visible message boxes of process `pid` ("#32770" windows), in no particular order.
std::vector<HWND> Boxes(DWORD pid);
// Waits for exactly one box of `pid`; null when none came or more than one is open.
HWND WaitForOneBox(DWORD pid, harness::Millis timeout);
// The box's caption and message text.
std::wstring BoxCaption(HWND box);
std::wstring BoxText(HWND box);
// Presses OK and waits until the box has gone.
bool CloseBox(HWND box);

}  // namespace mends
