// The real rotctld (Hamlib's dummy rotator) that tests/rotctld-fixture keeps for these tests,
// and the whole chain around it: the simulated Logger32, the bridge, and RotServer in front of
// rotctld.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "logger_bridge.h"
#include "logger_driver.h"
#include "rotserver_support.h"

namespace rotctldtest {

class DummyRotctld {
 public:
  DummyRotctld();  // reads the fixture's port; 0 when the fixture is not running

  unsigned port() const { return port_; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  // Asks the fixture's supervisor: "restart" (a fresh rotator at 0), "kill", "start",
  // "pause" (SIGSTOP: connections are taken but never answered), "resume".
  bool Request(const std::string& what);
  // The azimuth rotctld reports now, asked on a connection of its own.
  std::optional<double> Azimuth() const;

 private:
  std::string dir_;
  unsigned port_ = 0;
};

class RotctldChain : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // RotServer in front of rotctld, the simulated Logger32 and the bridge, up and greeted.
  void StartChain();
  std::vector<std::string> Log() const { return harness::ReadLines(log_); }
  // RotServer's log lines that contain `needle`.
  std::size_t Count(const std::string& needle) const;
  // Every set-position command sent to rotctld, as logged: "+P 5.00 0.00\\n".
  std::vector<std::string> SetPositions() const;
  std::string Text(int id) const { return bridge_->Text(id); }
  bool WaitText(int id, const std::string& text, harness::Millis timeout) const;
  bool WaitPanel(int id, unsigned color, harness::Millis timeout) const;
  unsigned PanelColor(int id) const;
  // Waits until rotctld stands still (two readings 1 s apart agree); its azimuth.
  std::optional<double> SettledAzimuth(harness::Millis timeout) const;

  DummyRotctld rotctld_;
  harness::Job job_;
  std::string dir_;
  std::string log_;
  std::unique_ptr<rstest::RotServer> rotator_;
  std::unique_ptr<logger_test::LoggerDriver> logger_;
  std::unique_ptr<logger_test::BridgeUnderTest> bridge_;
  HWND window_ = nullptr;
};

}  // namespace rotctldtest
