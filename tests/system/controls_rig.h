// The bridge with both partners for the turn-control tests: the simulated Logger32 (so that
// the handshake succeeds), the simulated rotator server (which logs every command it gets),
// and a DDE client in the test process that plays the rotator server's status macros.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "harness.h"
#include "logger_bridge.h"
#include "logger_driver.h"
#include "dde/client_win.h"
#include "bridge/window/colors.h"
#include "bridge/window/widget_ids.h"

namespace controls {

// The bytes of the target command for a target in tenths, as the rotator server receives them.
std::string TargetCommand(const std::string& tenths);

// A ten-line status macro: azimuth in tenths, turning direction, range mode.
std::vector<std::string> StatusMacro(long azimuth_tenths, int direction, int range_mode);

// Executes macros on the bridge's status topic, synchronously, from this process.
class StatusClient {
 public:
  StatusClient();

  bool Connected() const { return dde_.conv() != nullptr; }
  // True when the bridge acknowledged the execute.
  bool Execute(const std::vector<std::string>& lines);

 private:
  ddeml::Client dde_;
};

enum class Bevel { Raised, Lowered, Unclear };

class ControlsRig {
 public:
  // Starts the rotator server, Logger32 and the bridge, and waits for the greeting.
  ControlsRig();

  // Empty when everything came up; otherwise what did not.
  const std::string& failure() const { return failure_; }

  HWND window() const { return window_; }
  HWND Widget(int id) const { return GetDlgItem(window_, id); }
  DWORD BridgeThread() const { return GetWindowThreadProcessId(window_, nullptr); }
  DWORD BridgePid() const { return bridge_->process().pid(); }
  // The bridge thread's focus window and the target box's selection.
  HWND BridgeFocus() const;
  std::pair<DWORD, DWORD> EditSelection() const;

  bool Status(long azimuth_tenths, int direction, int range_mode);
  bool Status(const std::vector<std::string>& lines) { return status_->Execute(lines); }

  // Bytes of the next command the rotator server got after the greeting and the commands
  // already read; empty when none arrives within the time.
  std::string NextCommand(harness::Millis timeout);
  // Sends a status macro and returns the command that follows it.
  std::string SentWith(long azimuth_tenths, int direction, int range_mode);
  // Proves that nothing was sent so far: Logger32 asks for 7 degrees and a status macro with
  // the rotator on follows; returns the next command, "70" (as a target command) when no
  // earlier one was pending.
  std::string NextAfterMarker();

  vexal::TColor PanelColor(int id) const;
  // The outer bevel as painted on the screen.
  Bevel PanelBevel(int id) const;
  bool WaitBevel(int id, Bevel bevel, harness::Millis timeout) const;

  std::string EditText() const { return harness::WindowText(Widget(vexal::kIdEditAzimut)); }
  bool WaitEditText(const std::string& text, harness::Millis timeout) const;
  // Colour of the target box's background near its right inner edge (0x00RRGGBB).
  uint32_t EditBackground() const;
  bool WaitEditBackground(uint32_t rgb, harness::Millis timeout) const;

  logger_test::LoggerDriver& logger() { return *logger_; }

 private:
  harness::Job job_;
  std::string dir_;
  std::string server_log_;
  std::unique_ptr<harness::Child> server_;
  std::unique_ptr<logger_test::LoggerDriver> logger_;
  std::unique_ptr<logger_test::BridgeUnderTest> bridge_;
  std::unique_ptr<StatusClient> status_;
  HWND window_ = nullptr;
  size_t commands_read_ = 1;  // the greeting
  std::string failure_;
};

// Colours as they appear in a captured picture.
uint32_t YellowPixel();
uint32_t WindowColourPixel();

}  // namespace controls
