// A whole bridge on the test's desktop: the simulated Logger32, the simulated rotator server
// named by the registry value, and the real bridge, each its own process.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "logger_bridge.h"
#include "logger_driver.h"

namespace bridgetest {

// The 10-line status macro with these values, in rotator-sim's --exec escapes.
std::string StatusMacro(int azimuth_tenths, int direction = 0, int range_mode = 0);
// Bytes of a target command as rotator-sim logs them: "2450" gives "32 34 35 30 0D 0A 30 ...".
std::string CommandHex(const std::string& tenths);

// The texts of the standard error box, which is then closed with OK; empty when no box came.
std::wstring TakeErrorBox(harness::Millis timeout);

class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // rotator-sim as server, named in the registry value "Program" by its full path.
  void StartRotatorServer(const std::string& args = "");
  void StartLogger(const std::string& args = "");
  // Starts the bridge and waits for its window.
  void StartBridge();

  // Executes a macro (rotator-sim escapes) on the bridge's "AntDaten"; true when acknowledged.
  bool Execute(const std::string& macro);
  // The hex of every execute the rotator server received, in order.
  std::vector<std::string> Received() const;
  bool WaitReceived(size_t count, harness::Millis timeout) const;

  std::string Text(int id) const { return bridge_->Text(id); }
  bool WaitText(int id, const std::string& text, harness::Millis timeout) const;
  // The colour number a panel has stored.
  unsigned PanelColor(int id) const;
  // Codes Logger32 received on the release message (wParam 4).
  int Releases() const;

  harness::Job job_;
  std::string dir_;
  std::string rotator_log_;
  std::unique_ptr<harness::Child> rotator_;
  std::unique_ptr<logger_test::LoggerDriver> logger_;
  std::unique_ptr<logger_test::BridgeUnderTest> bridge_;
  HWND window_ = nullptr;
};

inline const std::string kGreetingHex = "48 53 20 0D 0A 00";

}  // namespace bridgetest
